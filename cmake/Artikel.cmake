# Common settings and the small helpers every folder uses to declare its targets.

add_library(artikel_common INTERFACE)
target_compile_features(artikel_common INTERFACE cxx_std_20)
target_include_directories(artikel_common INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
target_compile_options(artikel_common INTERFACE -Wall -Wextra
  $<$<COMPILE_LANGUAGE:CXX>:-Wshadow -Wnon-virtual-dtor -Wold-style-cast>)
if(ARTIKELBLICK_WERROR)
  target_compile_options(artikel_common INTERFACE -Werror)
endif()
target_compile_definitions(artikel_common INTERFACE
  ARTIKELBLICK_VERSION="${PROJECT_VERSION}"
  # Our text is Windows-1252 bytes: no implicit char* <-> QString conversion may guess an encoding.
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY)
if(ARTIKELBLICK_SANITIZE)
  target_compile_options(artikel_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(artikel_common INTERFACE -fsanitize=address,undefined)
endif()
if(ARTIKELBLICK_FUZZ)
  # Instrument every library so the fuzzers see coverage; the fuzz targets add the driver.
  target_compile_options(artikel_common INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(artikel_common INTERFACE -fsanitize=address,undefined)
endif()

# artikel_library(<name> [ALIAS <alias>] SOURCES <files...> [PUBLIC <deps...>] [PRIVATE <deps...>])
# A static library of the listed files of the current folder.
function(artikel_library name)
  cmake_parse_arguments(ARG "" "ALIAS" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  if(NOT ARG_SOURCES OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "artikel_library(${name}): list its SOURCES (unparsed: ${ARG_UNPARSED_ARGUMENTS})")
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC artikel_common ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  if(ARG_ALIAS)
    add_library(artikel::${ARG_ALIAS} ALIAS ${name})
  endif()
endfunction()

# artikel_test(<name> [GUI] SOURCES <files...> LIBS <libs...>)
# One test executable per subsystem, declared in its folder under tests/.
function(artikel_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "artikel_test(${name}): list its SOURCES (unparsed: ${ARG_UNPARSED_ARGUMENTS})")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE artikel_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE artikel_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  # Named parameters already tell the cases apart; printing the parameter bytes would only
  # make the test names long and different on every run.
  gtest_discover_tests(${name} NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
