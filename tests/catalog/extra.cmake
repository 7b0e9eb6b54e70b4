# The import tests run the built converter program.
if(TARGET test_catalog AND TARGET convrun)
  add_dependencies(test_catalog convrun)
endif()
