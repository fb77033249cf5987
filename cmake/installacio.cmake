# What `cmake --install` puts where, and the Debian package made of it
# (`make package`).
include(GNUInstallDirs)

# Debian wants 0755 directories whatever the umask of the one who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS particules particules-config RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The configs, and beside each the description `gen orbits` wrote it from,
# where there is one; cumul's generator script is how the file was made, not
# an example.
foreach(exemple IN ITEMS orbita sistema-solar vuit cumul binaria sistema-solar-complet)
    install(FILES examples/${exemple}/config.txt
            DESTINATION ${CMAKE_INSTALL_DATADIR}/particules/examples/${exemple})
    if(EXISTS ${PROJECT_SOURCE_DIR}/examples/${exemple}/orbites.txt)
        install(FILES examples/${exemple}/orbites.txt
                DESTINATION ${CMAKE_INSTALL_DATADIR}/particules/examples/${exemple})
    endif()
endforeach()

# Man pages and the changelog go compressed, without name or date inside so
# that two builds give the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(PARTICULES_DOC_DIR ${PROJECT_BINARY_DIR}/doc)
configure_file(cmake/debian/changelog.in ${PARTICULES_DOC_DIR}/changelog @ONLY)
set(comprimits)
foreach(font IN ITEMS ${PROJECT_SOURCE_DIR}/docs/particules.6
                      ${PROJECT_SOURCE_DIR}/docs/particules-config.6
                      ${PARTICULES_DOC_DIR}/changelog)
    get_filename_component(nom ${font} NAME)
    set(copia ${PARTICULES_DOC_DIR}/gz/${nom})
    add_custom_command(OUTPUT ${copia}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${font} ${copia}
        COMMAND ${GZIP_PROGRAM} -9nf ${copia}
        DEPENDS ${font}
        VERBATIM)
    list(APPEND comprimits ${copia}.gz)
endforeach()
add_custom_target(documentacio ALL DEPENDS ${comprimits})

install(FILES ${PARTICULES_DOC_DIR}/gz/particules-config.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# particules.6 names the examples' folder where this install puts them, with
# the prefix `cmake --install` is given; the package's staging folder stands
# for its /usr.
install(CODE "
    set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
    if(prefix MATCHES \"/_CPack_Packages/\")
        set(prefix /usr)
    endif()
    file(READ \"${PROJECT_SOURCE_DIR}/docs/particules.6\" pagina)
    string(REPLACE /usr/share/particules/examples \"\${prefix}/${CMAKE_INSTALL_DATADIR}/particules/examples\"
           pagina \"\${pagina}\")
    file(MAKE_DIRECTORY \"${PARTICULES_DOC_DIR}/instal\")
    file(WRITE \"${PARTICULES_DOC_DIR}/instal/particules.6\" \"\${pagina}\")
    execute_process(COMMAND ${GZIP_PROGRAM} -9nf \"${PARTICULES_DOC_DIR}/instal/particules.6\")
    file(INSTALL \"${PARTICULES_DOC_DIR}/instal/particules.6.gz\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man6\")
")
install(FILES cmake/debian/copyright ${PARTICULES_DOC_DIR}/gz/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# A sanitized or fuzzing build is for finding bugs, never for shipping.
if(PARTICULES_SANITIZE OR PARTICULES_FUZZ)
    return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME particules)
set(CPACK_PACKAGE_VENDOR "the particules developers")
set(CPACK_PACKAGE_CONTACT "particules maintainers <maintainers@users.noreply.c-seed-95338f2b.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive two-dimensional gravity simulation")
set(CPACK_PACKAGE_DESCRIPTION
"particules simulates bodies in a plane under the pull of all the others, in
an SDL window. It reads the bodies, the window and the time scale from a
plain config.txt, echoes what it read, and lets the keyboard and the mouse
pan, zoom, change the time factor, stop every body or turn gravity into
repulsion.

The package includes ready systems (a sun with planets, the inner solar
system, a three-body figure eight and a disc of light bodies round a heavy
core) and particules-config: check reads a config.txt the way the program
does and says where it will not read as written; gen writes star, disc and
cluster systems, and with gen orbits any system described by its orbits in
real units; preview runs a system with the program's own step and says
whether it holds together; speed times every step path on this machine.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is worked out when the package is made, from the programs built:
# dpkg-shlibdeps alone names Debian's SDL 1.2 only, and one OpenCL loader twice.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/CPackDependencies.cmake CONTENT "
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/cmake/debian/dependencies.sh
                        $<TARGET_FILE:particules> $<TARGET_FILE:particules-config>
                OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_DEPENDS OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackDependencies.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
