# The loader delivers onto the Qt interface thread: its tests need the Qt side of the engine.
if(TARGET test_data AND TARGET artikel_data_qt)
  target_link_libraries(test_data PRIVATE artikel_data_qt)
endif()

# The datasetdump tests run the built tool.
if(TARGET test_data AND TARGET datasetdump)
  add_dependencies(test_data datasetdump)
endif()
