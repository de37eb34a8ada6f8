# Installs the build into a throw-away DESTDIR, checks what lands where, and
# runs the installed program. Called by CTest with BUILD_DIR, DESTDIR,
# BINDIR and DATADIR (full install paths) and VERSION.

function(fail what)
  message(FATAL_ERROR "${what}")
endfunction()

# run(<out-var> <rc-var> <command...>): stdout and stderr together.
function(run out_var rc_var)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc TIMEOUT 30)
  set(${out_var} "${out}" PARENT_SCOPE)
  set(${rc_var} "${rc}" PARENT_SCOPE)
endfunction()

function(expect_contains text part what)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    fail("${what}: expected \"${part}\" in:\n${text}")
  endif()
endfunction()

file(REMOVE_RECURSE "${DESTDIR}")
set(ENV{DESTDIR} "${DESTDIR}")
run(out rc "${CMAKE_COMMAND}" --install "${BUILD_DIR}")
unset(ENV{DESTDIR})
if(NOT rc EQUAL 0)
  fail("cmake --install failed:\n${out}")
endif()

# Exactly these files, nothing of the tests, benchmarks or libraries.
set(id example.quendrel.Brindelle)
set(expected
  "${BINDIR}/brindelle"
  "${DATADIR}/brindelle/help/bd.html"
  "${DATADIR}/brindelle/help/bdEs.html"
  "${DATADIR}/applications/${id}.desktop"
  "${DATADIR}/metainfo/${id}.metainfo.xml"
  "${DATADIR}/icons/hicolor/scalable/apps/${id}.svg")
foreach(size 32 48 64 128 256)
  list(APPEND expected "${DATADIR}/icons/hicolor/${size}x${size}/apps/${id}.png")
endforeach()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${DESTDIR}" "${DESTDIR}/*")
list(TRANSFORM installed PREPEND "/")
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " installed "${installed}")
  fail("installed files differ from the expected layout:\n  ${installed}")
endif()

set(program "${DESTDIR}${BINDIR}/brindelle")
set(guides "${DESTDIR}${DATADIR}/brindelle/help")

run(out rc "${program}" --version)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "Brindelle ${VERSION}\n")
  fail("--version gave ${rc}: ${out}")
endif()

# The installed program finds the installed guides and keeps the book in the
# per-user data folder, never beside itself.
set(ENV{XDG_DATA_HOME} "${DESTDIR}/home/data")
set(ENV{XDG_CONFIG_HOME} "${DESTDIR}/home/config")
run(out rc "${program}" --help)
if(NOT rc EQUAL 0)
  fail("--help gave ${rc}: ${out}")
endif()
expect_contains("${out}" "--data-dir <DIR>" "--help")
expect_contains("${out}" "User guides:  ${guides}\n" "installed program's guides")
expect_contains("${out}" "Recipe book:  ${DESTDIR}/home/data/Quendrel/Brindelle/recipes.xml\n"
                "installed program's book")
expect_contains("${out}" "Settings:     ${DESTDIR}/home/config/Quendrel/Brindelle.conf\n"
                "installed program's settings")
# Run where it was built, it finds the guides beside itself.
run(out rc "${BUILD_DIR}/brindelle" --help)
expect_contains("${out}" "User guides:  ${BUILD_DIR}\n" "built program's guides")
if(NOT EXISTS "${BUILD_DIR}/bd.html" OR NOT EXISTS "${BUILD_DIR}/bdEs.html")
  fail("the guides are missing beside the built program")
endif()

# Mistakes on the command line end with a message and a non-zero exit.
foreach(wrong "--colour" "--data-dir" "stray")
  run(out rc "${program}" ${wrong})
  if(rc EQUAL 0 OR NOT out MATCHES "brindelle: .*--help")
    fail("'${wrong}' gave ${rc}: ${out}")
  endif()
endforeach()

# The command line moves recipes without a window: a MealMaster file into an
# empty book, the book out as a cookbook PDF; a missing book is an error.
set(work "${DESTDIR}/commandline")
file(MAKE_DIRECTORY "${work}")
file(WRITE "${work}/in.mmf" "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n\r\n"
  "      Title: Lentil Soup\r\n Categories: Soups\r\n      Yield: 4 servings\r\n\r\n"
  "      1 c  red lentils\r\n      1    onion\r\n\r\nSimmer for twenty minutes.\r\n\r\nMMMMM\r\n")
run(out rc "${program}" --data-dir "${work}/book" --import "${work}/in.mmf")
if(NOT rc EQUAL 0 OR NOT out MATCHES "Imported 1 recipe into")
  fail("--import gave ${rc}: ${out}")
endif()
run(out rc "${program}" --data-dir "${work}/book" --export "${work}/out.pdf" --category soups)
if(NOT rc EQUAL 0 OR NOT out MATCHES "Exported 1 recipe in 1 category" OR NOT EXISTS "${work}/out.pdf")
  fail("--export gave ${rc}: ${out}")
endif()
run(out rc "${program}" --data-dir "${work}/none" --export "${work}/out.mmf")
if(rc EQUAL 0 OR NOT out MATCHES "brindelle: There is no recipe book")
  fail("--export of no book gave ${rc}: ${out}")
endif()

# The metainfo names this version as its newest release.
file(READ "${DESTDIR}${DATADIR}/metainfo/${id}.metainfo.xml" metainfo)
expect_contains("${metainfo}" "<release version=\"${VERSION}\"" "metainfo release")

# The desktop's own validators, where they are installed.
find_program(desktop_validate desktop-file-validate)
if(desktop_validate)
  run(out rc "${desktop_validate}" "${DESTDIR}${DATADIR}/applications/${id}.desktop")
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    fail("desktop-file-validate:\n${out}")
  endif()
endif()
find_program(appstreamcli appstreamcli)
if(appstreamcli)
  run(out rc "${appstreamcli}" validate --no-net "${DESTDIR}${DATADIR}/metainfo/${id}.metainfo.xml")
  if(NOT rc EQUAL 0)
    fail("appstreamcli validate:\n${out}")
  endif()
endif()

file(REMOVE_RECURSE "${DESTDIR}")
