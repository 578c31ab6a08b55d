# What the portable build (tools/portable/toolchain.cmake) does differently
# from the developer build: GoogleTest built from source, the C library shims
# linked into everything, the peer-library targets left out, and packages
# that rpm 4.3 and 4.4 install. Included by the top-level CMakeLists.txt.
if(FCUPDATE_FUZZ OR FCUPDATE_BENCH OR FCUPDATE_SANITIZE)
  message(FATAL_ERROR "fuzz targets, benchmarks and sanitizers belong to the developer build: "
                      "their libraries are built for libstdc++")
endif()

# Hardening that the old loaders honour: position-independent executables,
# read-only relocations bound at start-up, buffer checks of the glibc 2.3.4
# __*_chk family, and a stack protector whose canary is a global of our own
# (compat/stack_protector.c), since glibc keeps one only from 2.4 on. Both
# hash tables, because loaders before glibc 2.5 read only the classic one.
add_compile_options(-D_FORTIFY_SOURCE=2 -fstack-protector-strong -mstack-protector-guard=global)
add_link_options(-Wl,--hash-style=both -Wl,-z,relro,-z,now $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>)

# Debian's GoogleTest libraries are built for libstdc++; its sources build
# with this toolchain, and define GTest::gtest and GTest::gtest_main themselves.
set(FCUPDATE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${FCUPDATE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(gtest_target gtest gtest_main)
  # Its code is not ours to keep free of this compiler's warnings.
  target_compile_options(${gtest_target} PRIVATE -w)
endforeach()

add_library(fcupdate_portable_compat STATIC ${CMAKE_CURRENT_LIST_DIR}/compat/glibc_compat.c
                                            ${CMAKE_CURRENT_LIST_DIR}/compat/stack_protector.c)
# An object library, since nothing refers to what it holds: an archive
# member would never be pulled in.
add_library(fcupdate_portable_dso OBJECT ${CMAKE_CURRENT_LIST_DIR}/compat/dso_finalize.c)
set_target_properties(fcupdate_portable_compat fcupdate_portable_dso PROPERTIES POSITION_INDEPENDENT_CODE ON)

# Once every folder has declared its targets, each linked file gets the
# shims, and each shared object its exit-handler finaliser, whoever added it.
function(fcupdate_portable_link_compat dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
      set_property(TARGET ${target} APPEND PROPERTY LINK_LIBRARIES fcupdate_portable_compat)
    endif()
    if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
      set_property(TARGET ${target} APPEND PROPERTY LINK_LIBRARIES fcupdate_portable_dso)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    if(NOT subdir MATCHES "^${FCUPDATE_GTEST_SOURCE}")
      fcupdate_portable_link_compat(${subdir})
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL fcupdate_portable_link_compat ${CMAKE_SOURCE_DIR})

# rpm 4.3 and 4.4 read gzip payloads and MD5 file digests only, and know
# nothing of build-id links. The release names the build, as a dist tag
# would: fcupdate-VERSION-1.portable.x86_64.rpm (packaging/package.cmake).
set(CPACK_RPM_COMPRESSION_TYPE gzip)
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _binary_filedigest_algorithm 1
%define _source_filedigest_algorithm 1
%define _build_id_links none")
set(FCUPDATE_RPM_DIST .portable)
# The package installs what `make portable` built; the tests need not be built.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
