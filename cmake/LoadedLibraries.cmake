# Libraries the programs open on first use (dlopen) instead of linking: the
# code compiles against their headers, learns their soname from here, and the
# Debian package names the packages that hold them, since dpkg-shlibdeps only
# sees linked libraries.
#
# virel_loaded_library(PREFIX FALLBACK_SONAME [OPTIONAL]): PREFIX is a
# pkg_check_modules prefix. Sets PREFIX_SONAME in the caller and, unless the
# programs get by without the library (OPTIONAL), adds the Debian package that
# holds it to the global property VIREL_LOADED_PACKAGES.
function(virel_loaded_library prefix fallback)
  cmake_parse_arguments(PARSE_ARGV 2 arg "OPTIONAL" "" "")
  set(soname "${fallback}")
  set(file "")
  foreach(candidate IN LISTS ${prefix}_LINK_LIBRARIES)
    if(candidate MATCHES "\\.so$")
      set(file "${candidate}")
      break()
    endif()
  endforeach()
  if(file AND CMAKE_OBJDUMP)
    execute_process(COMMAND ${CMAKE_OBJDUMP} -p "${file}" OUTPUT_VARIABLE headers ERROR_QUIET)
    if(headers MATCHES "SONAME +([^\n ]+)")
      set(soname "${CMAKE_MATCH_1}")
    endif()
  endif()
  set(${prefix}_SONAME "${soname}" PARENT_SCOPE)
  if(file AND NOT arg_OPTIONAL)
    get_filename_component(dir "${file}" DIRECTORY)
    find_program(VIREL_DPKG_QUERY dpkg-query)
    if(VIREL_DPKG_QUERY)
      execute_process(COMMAND ${VIREL_DPKG_QUERY} -S "${dir}/${soname}" OUTPUT_VARIABLE owner ERROR_QUIET)
      if(owner MATCHES "^([^:, ]+)")
        set_property(GLOBAL APPEND PROPERTY VIREL_LOADED_PACKAGES "${CMAKE_MATCH_1}")
      endif()
    endif()
  endif()
endfunction()
