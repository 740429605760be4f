# Compiles the version resource and the application manifest into orxconfigc.exe. Included from
# src/CMakeLists.txt on Windows builds, after the orxconfigc target exists.
enable_language(RC)

# Quotes inside a resource string are written twice.
string(REPLACE "\"" "\"\"" ORX_RC_COPYRIGHT "${ORX_COPYRIGHT}")
set(ORX_RC_MANIFEST ${CMAKE_CURRENT_SOURCE_DIR}/console/orxconfigc.manifest)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/console/orxconfigc.rc.in
               ${CMAKE_CURRENT_BINARY_DIR}/generated/orxconfigc.rc @ONLY)

target_sources(orxconfigc PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated/orxconfigc.rc)
# The resource compiler takes no C++ warning flags; the .rc sees the generated version.h through
# orxcore's include directories.
get_target_property(orx_program_options orxconfigc COMPILE_OPTIONS)
if(orx_program_options)
  set_target_properties(orxconfigc PROPERTIES
                        COMPILE_OPTIONS "$<$<COMPILE_LANGUAGE:CXX>:${orx_program_options}>")
endif()
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/generated/orxconfigc.rc APPEND PROPERTY
             OBJECT_DEPENDS ${ORX_RC_MANIFEST} ${CMAKE_CURRENT_BINARY_DIR}/generated/version.h)

if(MSVC)
  # The MSVC linker writes a manifest resource of its own; hand it ours to merge instead of
  # embedding a second one.
  target_sources(orxconfigc PRIVATE ${ORX_RC_MANIFEST})
  set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/generated/orxconfigc.rc APPEND PROPERTY
               COMPILE_DEFINITIONS ORX_MANIFEST_BY_LINKER)
endif()
