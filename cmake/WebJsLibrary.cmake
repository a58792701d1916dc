# Links the page half of a browser backend, FILE (a JS library beside the
# target's sources), into every program that links TARGET. The file is linked,
# never compiled, so an empty source made again whenever it changes rebuilds
# TARGET, and with it every program that links it.
function(paddock_web_js_library target file)
  set(path ${CMAKE_CURRENT_SOURCE_DIR}/${file})
  target_link_options(${target} INTERFACE "SHELL:--js-library ${path}")
  string(MAKE_C_IDENTIFIER ${file} stamp)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${stamp}.cpp)
  add_custom_command(OUTPUT ${stamp} COMMAND ${CMAKE_COMMAND} -E touch ${stamp} DEPENDS ${path})
  target_sources(${target} PRIVATE ${stamp})
endfunction()
