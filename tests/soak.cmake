# The soak driver run by scripts/ci-soak.sh (a CI stage, not a ctest: it takes minutes).
add_executable(soak_driver ${CMAKE_CURRENT_LIST_DIR}/soak_driver.cpp)
target_link_libraries(soak_driver PRIVATE pontavel_core)
