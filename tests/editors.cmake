# The editors' store test kills a writer process in the middle of its work.
add_executable(editcrash_child ${CMAKE_CURRENT_LIST_DIR}/editors/editcrash_child.cpp)
target_link_libraries(editcrash_child PRIVATE pontavel_core)

if(TARGET tst_editors)
  add_dependencies(tst_editors editcrash_child)
  target_compile_definitions(tst_editors PRIVATE PONTAVEL_EDITCRASH_CHILD="$<TARGET_FILE:editcrash_child>")
endif()
