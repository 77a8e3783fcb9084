# Delay-loaded imports for MinGW GNU ld (gcc and clang alike): ql_delay_load(target) makes the
# target load each of the window's and the shell's DLLs on its first call into it rather than at
# start-up, so that a path that never calls into one (the command line and the window's DLLs) never
# maps it.
#
# GNU ld has no -delayload: dlltool writes a delay-load import library from a .def file, which is
# made here from the names the toolchain's own import library exports. The delay libraries, named
# as the ordinary ones, sit in a folder searched first for this target alone.
set(QL_DELAY_LOADED_DLLS comctl32 comdlg32 oleaut32 shell32 ole32 user32 gdi32)

if(MINGW AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  # Calls into these DLLs go through their thunks, not straight through their import slots: 32-bit
  # GNU ld drops the thunk of a function that is called only through its slot, and a delay-load slot
  # points at its thunk until the first call binds it. Elsewhere the calls bind to the import
  # libraries' thunks as well. The DLLs' own defines do it, for all the code.
  foreach(dll IN LISTS QL_DELAY_LOADED_DLLS)
    string(TOUPPER "${dll}" upper)
    add_compile_definitions(_${upper}_)
  endforeach()
endif()

function(ql_delay_load target)
  if(NOT MINGW)
    return()
  endif()
  set(triple "${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32")
  find_program(QL_DLLTOOL NAMES ${triple}-dlltool)
  find_program(QL_NM NAMES ${triple}-nm)
  if(NOT QL_DLLTOOL OR NOT QL_NM)
    message(WARNING "no ${triple}-dlltool or -nm: ${target} loads its DLLs at start-up")
    return()
  endif()
  set(folder "${CMAKE_CURRENT_BINARY_DIR}/delay_load_${target}")
  file(MAKE_DIRECTORY "${folder}")
  foreach(dll IN LISTS QL_DELAY_LOADED_DLLS)
    find_library(QL_IMPORT_LIB_${dll} NAMES lib${dll}.a NO_CACHE)
    if(NOT QL_IMPORT_LIB_${dll})
      message(FATAL_ERROR "no import library for ${dll}")
    endif()
    set(library "${folder}/lib${dll}.a")
    if("${QL_IMPORT_LIB_${dll}}" IS_NEWER_THAN "${library}")
      execute_process(COMMAND "${QL_NM}" "${QL_IMPORT_LIB_${dll}}" OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
      # "I __imp_Name" per function; 32-bit names carry the C prefix "_" and the stdcall "@N".
      string(REGEX MATCHALL "I __imp_[^\r\n]+" imports "${symbols}")
      set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
      foreach(import IN LISTS imports)
        string(REGEX REPLACE "^I __imp_" "" name "${import}")
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
          string(REGEX REPLACE "^_" "" name "${name}")
        endif()
        string(APPEND def "  ${name}\n")
      endforeach()
      file(WRITE "${folder}/${dll}.def" "${def}")
      execute_process(COMMAND "${QL_DLLTOOL}" --kill-at --def "${folder}/${dll}.def" --dllname ${dll}.dll
                              --output-delaylib "${library}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()
  target_link_directories(${target} BEFORE PRIVATE "${folder}")
  target_link_libraries(${target} PRIVATE delayimp)
endfunction()
