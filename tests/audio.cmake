# Pieces the tone and keying tests run in a separate process: a shim giving
# pseudo-terminals an RTS line, and a small program running one transmission.
enable_language(C)
add_library(pontavel_rtsshim SHARED ${CMAKE_CURRENT_LIST_DIR}/rtsshim.c)
target_link_libraries(pontavel_rtsshim PRIVATE ${CMAKE_DL_LIBS})
# Plain C, no moc: nothing of the sanitizer build may leak into the programs it is preloaded into.
set_target_properties(pontavel_rtsshim PROPERTIES PREFIX "lib" AUTOMOC OFF)
add_executable(ptt_driver ${CMAKE_CURRENT_LIST_DIR}/ptt_driver.cpp)
target_link_libraries(ptt_driver PRIVATE pontavel_core)
add_dependencies(tst_ptt pontavel_rtsshim ptt_driver)
add_dependencies(tst_tones_e2e pontavel_rtsshim ptt_driver)
set_property(TEST tst_ptt tst_tones_e2e APPEND PROPERTY ENVIRONMENT
  "PONTAVEL_RTS_SHIM=$<TARGET_FILE:pontavel_rtsshim>" "PONTAVEL_PTT_DRIVER=$<TARGET_FILE:ptt_driver>")
# The whole station runs inside tst_tones_e2e: its own ports need the shim too.
set_property(TEST tst_tones_e2e APPEND PROPERTY ENVIRONMENT "LD_PRELOAD=$<TARGET_FILE:pontavel_rtsshim>")
