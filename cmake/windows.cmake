# The Windows build: what differs from the Linux one in third-party code.
# SQLite and expat are static libraries built by scripts/windows-deps.sh
# from Debian's source packages; ODBC is the system's odbc32; the JSON and
# command-line libraries are header-only and come from the build machine,
# seen through a folder of their own (never the whole /usr/include); the C
# and C++ runtimes are linked in, so conta.dll and conta.exe need nothing
# beside themselves but Windows.
if(DEFINED ENV{CONTA_WINDOWS_DEPS})
  set(conta_windows_deps_default "$ENV{CONTA_WINDOWS_DEPS}")
else()
  set(conta_windows_deps_default "$ENV{HOME}/.cache/conta/windows-deps")
endif()
set(CONTA_WINDOWS_DEPS "${conta_windows_deps_default}" CACHE PATH
    "Prefix with the Windows builds of SQLite and expat (scripts/windows-deps.sh)")
foreach(file include/sqlite3.h lib/libsqlite3.a include/expat.h lib/libexpat.a)
  if(NOT EXISTS "${CONTA_WINDOWS_DEPS}/${file}")
    message(FATAL_ERROR "${CONTA_WINDOWS_DEPS}/${file} is missing: run scripts/windows-deps.sh "
                        "(or set CONTA_WINDOWS_DEPS to where it built them)")
  endif()
endforeach()

add_library(SQLite::SQLite3 STATIC IMPORTED)
set_target_properties(SQLite::SQLite3 PROPERTIES
  IMPORTED_LOCATION "${CONTA_WINDOWS_DEPS}/lib/libsqlite3.a"
  INTERFACE_INCLUDE_DIRECTORIES "${CONTA_WINDOWS_DEPS}/include")
add_library(EXPAT::EXPAT STATIC IMPORTED)
set_target_properties(EXPAT::EXPAT PROPERTIES
  IMPORTED_LOCATION "${CONTA_WINDOWS_DEPS}/lib/libexpat.a"
  INTERFACE_INCLUDE_DIRECTORIES "${CONTA_WINDOWS_DEPS}/include"
  INTERFACE_COMPILE_DEFINITIONS XML_STATIC)
add_library(ODBC::ODBC INTERFACE IMPORTED)
set_target_properties(ODBC::ODBC PROPERTIES INTERFACE_LINK_LIBRARIES odbc32)

set(conta_host_headers "${PROJECT_BINARY_DIR}/host-headers")
file(MAKE_DIRECTORY "${conta_host_headers}")
foreach(dir nlohmann CLI)
  if(NOT EXISTS "/usr/include/${dir}")
    message(FATAL_ERROR "/usr/include/${dir} is missing: run scripts/install-deps.sh")
  endif()
  file(CREATE_LINK "/usr/include/${dir}" "${conta_host_headers}/${dir}" SYMBOLIC)
endforeach()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${conta_host_headers}")
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${conta_host_headers}")

# conta.dll, conta.exe and the test programs in one folder, as they are
# shipped: Windows finds a program's DLLs beside it.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/bin")

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 UNICODE _UNICODE)
add_link_options(-static -static-libgcc -static-libstdc++)
