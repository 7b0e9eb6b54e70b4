# The import tests run the built converter program.
if(TARGET test_catalog_ui AND TARGET convrun)
  add_dependencies(test_catalog_ui convrun)
endif()
