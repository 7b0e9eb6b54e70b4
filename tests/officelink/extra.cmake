# The link tests talk to the built exchange simulator.
if(TARGET test_officelink AND TARGET exchange-sim)
  add_dependencies(test_officelink exchange-sim)
  target_compile_definitions(test_officelink PRIVATE EXCHANGE_SIM="$<TARGET_FILE:exchange-sim>")
endif()
