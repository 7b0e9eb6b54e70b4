# The send tests talk to the built exchange simulator.
if(TARGET test_mainwindow_ui AND TARGET exchange-sim)
  add_dependencies(test_mainwindow_ui exchange-sim)
  target_compile_definitions(test_mainwindow_ui PRIVATE EXCHANGE_SIM="$<TARGET_FILE:exchange-sim>")
endif()

# The caption test starts the program itself under a virtual X server.
if(TARGET test_mainwindow_ui)
  add_dependencies(test_mainwindow_ui artikelblick)
  target_compile_definitions(test_mainwindow_ui PRIVATE ARTIKELBLICK_PROGRAM="$<TARGET_FILE:artikelblick>")
endif()
