# What ships and how it is packaged: the install rules of the manual page and
# the documents, and a tarball and an RPM for the Red Hat and SUSE hosts.
# Included at the end of the top-level CMakeLists.txt, when every executable
# has its install rule.
#
# The RPM's layout differs from make install on purpose: it installs rxprobe,
# a test driver, in libexec/fcupdate/ instead of bin/, and owns /var/vlx, the
# component log's folder, which make install leaves to the first run. Both
# are the install component "rpm", which only the RPM takes.

# The manual page (a tool for root: section 8), also under each other
# registered executable's name, and the README and licence.
install(FILES ${CMAKE_SOURCE_DIR}/fcupdate.8 DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
fcupdate_registered_vendors(vendor_words vendor_names vendor_executables)
foreach(alias IN LISTS vendor_executables)
  if(alias STREQUAL "fcupdate")
    continue()
  endif()
  install(CODE "file(CREATE_LINK fcupdate.8 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man8/${alias}.8\" SYMBOLIC)")
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY DESTINATION /var/vlx COMPONENT rpm EXCLUDE_FROM_ALL)

# The description lists the registered components.
set(FCUPDATE_COMPONENT_LINES "")
foreach(name executable IN ZIP_LISTS vendor_names vendor_executables)
  string(LENGTH "${executable}" width)
  math(EXPR pad "18 - ${width}")
  string(REPEAT " " ${pad} spaces)
  string(APPEND FCUPDATE_COMPONENT_LINES "  ${executable}${spaces} the ${name} component\n")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/description.in ${CMAKE_BINARY_DIR}/package-description @ONLY)
file(READ ${CMAKE_BINARY_DIR}/package-description CPACK_RPM_PACKAGE_DESCRIPTION)

set(CPACK_PACKAGE_NAME fcupdate)
set(CPACK_PACKAGE_VENDOR "fcupdate")
set(CPACK_PACKAGE_CONTACT "fcupdate maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware update component for Fibre Channel host bus adapters")
set(CPACK_GENERATOR "TGZ;RPM")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Both packages ship stripped executables; the RPM would be stripped by
# rpmbuild anyway, the tarball only by this.
set(CPACK_STRIP_FILES ON)

# The tarball holds what make install does. The RPM holds that and the
# component "rpm", in one package named NAME-VERSION-RELEASE.ARCH.rpm; the
# release ends in the portable build's tag (FCUPDATE_RPM_DIST, set by
# tools/portable/portable.cmake), or else in the build host's dist tag.
set(CPACK_RPM_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified rpm)
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
if(DEFINED FCUPDATE_RPM_DIST)
  string(APPEND CPACK_RPM_PACKAGE_RELEASE ${FCUPDATE_RPM_DIST})
else()
  set(CPACK_RPM_PACKAGE_RELEASE_DIST ON)
endif()
set(CPACK_RPM_PACKAGE_LICENSE "Apache-2.0")
set(CPACK_RPM_PACKAGE_GROUP "System Environment/Base")
set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_CURRENT_LIST_DIR}/changelog)
# The RPM's automatic requirements name the C library version of the build host.
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_PACKAGE_REQUIRES "libxml2")
# Folders of the system are not the package's; its own are listed below.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/libexec /usr/share/man /usr/share/man/man8 /var /var/vlx)
# The trailing slash is how the absolute install destination is listed.
set(CPACK_RPM_USER_FILELIST "%dir %attr(0755,root,root) /var/vlx/"
                            "%doc ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}/README.md"
                            "%doc ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}/LICENSE")
include(CPack)

# The package check (make package, make portable-package) and its own test,
# which needs rpmbuild: only the package targets install it.
find_program(FCUPDATE_RPMBUILD rpmbuild)
if(FCUPDATE_RPMBUILD)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  fcupdate_add_tool_test(package_check_test ${CMAKE_CURRENT_LIST_DIR}/check_package_test.py)
endif()
