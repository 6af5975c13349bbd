# Embeds the Bootstrap Icons files that the symbol table of src/ui/Icons.cpp names, as a Qt
# resource generated at configure time. The SVG files come from the system package and are never
# kept in the repository; the table in Icons.cpp is the one list of them.

set(BOOTSTRAP_ICONS_DIR /usr/share/bootstrap-icons/svg CACHE PATH "Folder of the Bootstrap Icons SVG files")

function(ketterly_add_symbol_resources target table_source)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table_source})
  file(READ ${table_source} source)
  string(REGEX MATCHALL "{\"[a-z0-9.]+\", \"[a-z0-9-]+\"}" entries "${source}")
  if(NOT entries)
    message(FATAL_ERROR "No symbol table found in ${table_source}")
  endif()
  set(files)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^{\"[a-z0-9.]+\", \"([a-z0-9-]+)\"}$" "\\1" file "${entry}")
    list(APPEND files ${file})
  endforeach()
  list(REMOVE_DUPLICATES files)

  set(items "")
  foreach(file IN LISTS files)
    set(path ${BOOTSTRAP_ICONS_DIR}/${file}.svg)
    if(NOT EXISTS ${path})
      message(FATAL_ERROR "Missing ${path}: install the bootstrap-icons package (scripts/deps.sh)")
    endif()
    string(APPEND items "    <file alias=\"${file}.svg\">${path}</file>\n")
  endforeach()

  set(qrc ${CMAKE_CURRENT_BINARY_DIR}/ketterly_symbols.qrc)
  file(CONFIGURE OUTPUT ${qrc} CONTENT "<RCC>\n  <qresource prefix=\"/symbols\">\n${items}  </qresource>\n</RCC>\n")
  qt_add_resources(symbol_sources ${qrc})
  target_sources(${target} PRIVATE ${symbol_sources})
endfunction()
