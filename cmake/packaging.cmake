# Installation and Debian packages.
#
# `cmake --install` puts the programs in bin/, their man pages in
# share/man/man1/, the bash completion in share/bash-completion/completions/
# and the README, copyright and changelog in share/doc/<package>/.
# `cpack` (scripts/package.sh) makes two Debian packages from the two install
# components: nuv-ipconfig (the tool) and nuv-camsim (the simulator and the
# test-bed script).

include(GNUInstallDirs)

set(NUV_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(NUV_GENERATED_DOC_DIR ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${NUV_GENERATED_DOC_DIR})

install(TARGETS nuv-ipconfig RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ipconfig)
install(TARGETS nuv-camsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT camsim)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/testbed/testbed.sh
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nuv-camsim COMPONENT camsim)
install(FILES ${NUV_PACKAGING_DIR}/nuv-ipconfig.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME nuv-ipconfig COMPONENT ipconfig)

# Man pages: help2man runs each freshly built program for its --help and
# --version and adds the sections of packaging/<program>.h2m, so a page
# cannot drift from the program's own help.
find_program(NUV_HELP2MAN help2man)
if(NUV_HELP2MAN)
  set(NUV_MAN_PAGES)
  foreach(program nuv-ipconfig nuv-camsim)
    set(page ${NUV_GENERATED_DOC_DIR}/${program}.1.gz)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${NUV_PACKAGING_DIR}/make-manpage.sh $<TARGET_FILE:${program}>
              ${NUV_PACKAGING_DIR}/${program}.h2m ${page}
      DEPENDS ${program} ${NUV_PACKAGING_DIR}/${program}.h2m
              ${NUV_PACKAGING_DIR}/make-manpage.sh
      COMMENT "Making the man page of ${program}"
      VERBATIM)
    list(APPEND NUV_MAN_PAGES ${page})
    string(REPLACE "nuv-" "" component ${program})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${NUV_MAN_PAGES})
else()
  message(STATUS "help2man not found: no man pages are made or installed")
endif()

# The changelog carries the project version; Debian wants it compressed.
configure_file(${NUV_PACKAGING_DIR}/changelog.in ${NUV_GENERATED_DOC_DIR}/changelog @ONLY)
add_custom_command(
  OUTPUT ${NUV_GENERATED_DOC_DIR}/changelog.gz
  COMMAND sh -c "gzip -9n < changelog > changelog.gz"
  DEPENDS ${NUV_GENERATED_DOC_DIR}/changelog
  WORKING_DIRECTORY ${NUV_GENERATED_DOC_DIR}
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${NUV_GENERATED_DOC_DIR}/changelog.gz)

foreach(component ipconfig camsim)
  install(FILES ${NUV_PACKAGING_DIR}/copyright ${NUV_GENERATED_DOC_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nuv-${component} COMPONENT ${component})
endforeach()
# The lintian warning the package means (README, packaging notes).
install(FILES ${NUV_PACKAGING_DIR}/nuv-ipconfig.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME nuv-ipconfig
        COMPONENT ipconfig)
# The watch's service, installed but not enabled, and its arguments.
install(FILES ${NUV_PACKAGING_DIR}/nuv-ipconfig-watch.service
        DESTINATION /lib/systemd/system COMPONENT ipconfig)
install(FILES ${NUV_PACKAGING_DIR}/nuv-ipconfig-watch.default
        DESTINATION /etc/default RENAME nuv-ipconfig-watch COMPONENT ipconfig)
install(FILES ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nuv-ipconfig COMPONENT ipconfig)

# The bash completion against the built program's --help (which sends nothing).
add_test(NAME packaging_completion
         COMMAND ${NUV_PACKAGING_DIR}/completion_test.sh ${NUV_PACKAGING_DIR}/nuv-ipconfig.bash
                 $<TARGET_FILE:nuv-ipconfig>)
set_tests_properties(packaging_completion PROPERTIES LABELS unit)

# Debian packages, one per component.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ipconfig camsim)
set(CPACK_PACKAGE_NAME nuv-ipconfig)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "nuv-ipconfig developers <nuv-ipconfig@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE nuv-ipconfig)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_IPCONFIG_PACKAGE_NAME nuv-ipconfig)
# The debconf question (config, templates) decides who may run the program;
# postinst applies the answer, postrm forgets it on purge. libsystemd0 is
# named by hand: the audit trail opens it at run time, out of shlibdeps' sight.
set(CPACK_DEBIAN_IPCONFIG_PACKAGE_DEPENDS "libsystemd0, libcap2-bin, passwd, debconf (>= 0.5) | debconf-2.0")
# The service writes its metrics where the node exporter reads them, after
# setfacl lets its dynamic user write there.
set(CPACK_DEBIAN_IPCONFIG_PACKAGE_RECOMMENDS "acl, prometheus-node-exporter")
set(CPACK_DEBIAN_IPCONFIG_PACKAGE_CONTROL_EXTRA ${NUV_PACKAGING_DIR}/config
    ${NUV_PACKAGING_DIR}/templates ${NUV_PACKAGING_DIR}/postinst ${NUV_PACKAGING_DIR}/postrm)
set(CPACK_DEBIAN_IPCONFIG_DESCRIPTION
    "find GigE Vision cameras and set how they get their IPv4 address
nuv-ipconfig lists the GigE Vision cameras on the host's network interfaces,
also those outside an adapter's subnet, and changes how a camera gets its
IPv4 address: persistent address, DHCP or link-local. It offers an
interactive dialogue and a command line with JSON output. The package grants
the program the packet-socket capability, in its permitted set only, to the
members of group gigevision (or, as debconf asks, to every user), so that
operators need not be root.")

set(CPACK_DEBIAN_CAMSIM_PACKAGE_NAME nuv-camsim)
set(CPACK_DEBIAN_CAMSIM_PACKAGE_RECOMMENDS iproute2)
set(CPACK_DEBIAN_CAMSIM_DESCRIPTION
    "simulated GigE Vision camera for testing nuv-ipconfig
nuv-camsim acts as one GigE Vision camera on one network interface, with
registers, flash image and fault injection, for tests in network namespaces.
The package also holds a script that builds a small simulated camera network
in network namespaces.")

# The watch's default file under /etc is the administrator's: a conffile.
file(WRITE ${NUV_GENERATED_DOC_DIR}/conffiles "/etc/default/nuv-ipconfig-watch\n")
list(APPEND CPACK_DEBIAN_IPCONFIG_PACKAGE_CONTROL_EXTRA ${NUV_GENERATED_DOC_DIR}/conffiles)

include(CPack)
