# What makes the shipped exes reproducible: the same commit gives the same bytes whoever builds it
# in whatever folder. No folder names in the objects (assertion texts, debug sections) and no link
# time in the PE header; the release's archives take their times from SOURCE_DATE_EPOCH.
if(MINGW)
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                      -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# The manifest carries the version too: made from common/version.h's numbers, and found by the
# resource compiler wherever quorlane.rc is compiled (the program and the About box's tests), and
# the console companion's.
if(WIN32)
  foreach(manifest quorlane quorlane_console)
    configure_file(${PROJECT_SOURCE_DIR}/app/resources/${manifest}.manifest.in ${PROJECT_BINARY_DIR}/resources/${manifest}.manifest @ONLY)
  endforeach()
  include_directories($<$<COMPILE_LANGUAGE:RC>:${PROJECT_BINARY_DIR}/resources>)
endif()
