# The ground floors include nothing from above them: the string table and
# the colour schemes (resources, but for the window code in apply.*) only
# each other, and the store only itself and the string table, so that the
# readers on worker threads and the store never reach the program's state.
# The readers and writers of other programs' files stand on the store and
# the string table alone, and what everything above the store shares
# (app/base) reaches no window and nothing of the program's top.
# Called by CTest with SOURCE_DIR, the src folder.

cmake_minimum_required(VERSION 3.20)

set(failures "")

# check(<folder> <allowed prefixes> <skipped file names>)
function(check folder allowed skipped)
  file(GLOB files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  set(found "")
  foreach(file ${files})
    get_filename_component(name "${file}" NAME_WE)
    if(name IN_LIST skipped)
      continue()
    endif()
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      set(ok FALSE)
      foreach(prefix ${allowed})
        string(FIND "${included}" "${prefix}" at)
        if(at EQUAL 0)
          set(ok TRUE)
        endif()
      endforeach()
      if(NOT ok)
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
        string(APPEND found "  ${shown} includes ${included}\n")
      endif()
    endforeach()
  endforeach()
  set(failures "${failures}${found}" PARENT_SCOPE)
endfunction()

check(resources "resources/" "apply")
check(store "store/;resources/strings.h" "")
check(exchange/formats "exchange/formats/;store/;resources/strings.h" "")
check(app/base "app/base/;store/;resources/strings.h;resources/colours.h" "")

if(failures)
  message(FATAL_ERROR "Includes from a floor above:\n${failures}")
endif()
file(GLOB resources "${SOURCE_DIR}/resources/*.cpp")
file(GLOB store "${SOURCE_DIR}/store/*.cpp")
if(NOT resources OR NOT store)
  message(FATAL_ERROR "No sources found under ${SOURCE_DIR}")
endif()
