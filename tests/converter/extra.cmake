# The end-to-end tests run the built converter program.
if(TARGET test_converter AND TARGET convrun)
  add_dependencies(test_converter convrun)
endif()
