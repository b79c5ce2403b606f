# The libraries the Linux build takes from pkg-config, made for the Windows
# build under the same target names, so each folder's CMakeLists.txt reads the
# same on both systems:
#   PkgConfig::SQLITE3  the SQLite amalgamation   } pinned sources fetched by
#   PkgConfig::PCRE2    PCRE2, 8-bit code units   } scripts/fetch-windows-deps
#   PkgConfig::HTTPLIB  the header-only HTTP server, on Winsock
#   PkgConfig::ZLIB     MinGW's zlib (libz-mingw-w64-dev), linked statically
#   quillet_winhttp     the system's HTTP engine (the HTTP client's backend)
# Windows 10's API (WSAPoll, inet_ntop, ...); min and max stay std::'s; the C
# runtime's thread-safe time functions under their POSIX names (localtime_r).
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 NOMINMAX _POSIX_THREAD_SAFE_FUNCTIONS)

set(QUILLET_WINDOWS_DEPS "" CACHE PATH "Folder printed by scripts/fetch-windows-deps")
if(NOT QUILLET_WINDOWS_DEPS)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/fetch-windows-deps
                  OUTPUT_VARIABLE fetched OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "scripts/fetch-windows-deps failed")
  endif()
  set(QUILLET_WINDOWS_DEPS ${fetched} CACHE PATH "" FORCE)
endif()

# Third-party C: compiled without our warning flags.
set(sqlite_dir ${QUILLET_WINDOWS_DEPS}/sqlite)
add_library(quillet_sqlite3 STATIC ${sqlite_dir}/sqlite3.c)
target_include_directories(quillet_sqlite3 SYSTEM PUBLIC ${sqlite_dir})
# The same features the Debian library is built with that the ledger relies on.
target_compile_definitions(quillet_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION
                           SQLITE_ENABLE_JSON1)
add_library(PkgConfig::SQLITE3 ALIAS quillet_sqlite3)

set(pcre2_src ${QUILLET_WINDOWS_DEPS}/pcre2/src)
set(pcre2_gen ${CMAKE_BINARY_DIR}/pcre2-generated)
configure_file(${pcre2_src}/config.h.generic ${pcre2_gen}/config.h COPYONLY)
configure_file(${pcre2_src}/pcre2.h.generic ${pcre2_gen}/pcre2.h COPYONLY)
configure_file(${pcre2_src}/pcre2_chartables.c.dist ${pcre2_gen}/pcre2_chartables.c COPYONLY)
set(pcre2_sources)
foreach(unit auto_possess compile config context convert dfa_match error extuni find_bracket
             jit_compile maketables match match_data newline ord2utf pattern_info script_run
             serialize string_utils study substitute substring tables ucd valid_utf xclass)
  list(APPEND pcre2_sources ${pcre2_src}/pcre2_${unit}.c)
endforeach()
add_library(quillet_pcre2 STATIC ${pcre2_sources} ${pcre2_gen}/pcre2_chartables.c)
target_include_directories(quillet_pcre2 SYSTEM PUBLIC ${pcre2_gen} PRIVATE ${pcre2_src})
target_compile_definitions(quillet_pcre2 PUBLIC PCRE2_STATIC
                           PRIVATE HAVE_CONFIG_H PCRE2_CODE_UNIT_WIDTH=8 SUPPORT_UNICODE
                                   HAVE_MEMMOVE HAVE_STDINT_H HAVE_INTTYPES_H)
add_library(PkgConfig::PCRE2 ALIAS quillet_pcre2)

# The HTTP server, header-only as its authors ship it (Debian's header is split
# from a library built for Linux only), from Debian's source package of the
# same version. No TLS (no OpenSSL for MinGW here): the simulator's HTTPS login
# page is Linux-only.
add_library(quillet_httplib INTERFACE)
target_include_directories(quillet_httplib SYSTEM INTERFACE ${QUILLET_WINDOWS_DEPS}/httplib)
target_compile_definitions(quillet_httplib INTERFACE CPPHTTPLIB_ZLIB_SUPPORT)
target_link_libraries(quillet_httplib INTERFACE ws2_32 z)
add_library(PkgConfig::HTTPLIB ALIAS quillet_httplib)

add_library(quillet_zlib INTERFACE)
target_link_libraries(quillet_zlib INTERFACE z)
add_library(PkgConfig::ZLIB ALIAS quillet_zlib)

add_library(quillet_winhttp INTERFACE)
target_link_libraries(quillet_winhttp INTERFACE winhttp z)

# GoogleTest, built for this target from the packaged sources.
if(QUILLET_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
