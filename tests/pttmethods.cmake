# tst_pttmethods and what it starts (rigctl, its own children) run with a shim
# that makes a plain file act as a hidraw device.
enable_language(C)
add_library(pontavel_hidshim SHARED ${CMAKE_CURRENT_LIST_DIR}/hidshim.c)
target_link_libraries(pontavel_hidshim PRIVATE ${CMAKE_DL_LIBS})
set_target_properties(pontavel_hidshim PROPERTIES PREFIX "lib" AUTOMOC OFF)
add_dependencies(tst_pttmethods pontavel_hidshim)
set_property(TEST tst_pttmethods APPEND PROPERTY ENVIRONMENT "LD_PRELOAD=$<TARGET_FILE:pontavel_hidshim>")
