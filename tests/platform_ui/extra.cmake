# The single-instance tests start two real processes of a small probe program.
if(TARGET test_platform_ui)
  add_executable(singleinstance_probe ${CMAKE_CURRENT_LIST_DIR}/probe/SingleInstanceProbe.cpp)
  target_link_libraries(singleinstance_probe PRIVATE artikel_platform_ui)
  add_dependencies(test_platform_ui singleinstance_probe)
  target_compile_definitions(test_platform_ui PRIVATE
    SINGLE_INSTANCE_PROBE="$<TARGET_FILE:singleinstance_probe>")
endif()
