# Installation layout, desktop integration and the Debian package.
#
# The reader finds its companion program, the word index of the embedded book and its readme page
# in its program folder, the folder of its own resolved executable path. So everything it runs
# or reads lives in one folder, <libdir>/quillmar/, and <bindir>/quillmar is a relative symbolic
# link into it: the link resolves to the real executable, whose folder holds the companions.
include(GNUInstallDirs)

set(QM_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/quillmar)

# Relative link target from the binary folder to the program folder, so the link stays right
# under any prefix and inside a staged package tree.
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    message(FATAL_ERROR "Quillmar installs with relative CMAKE_INSTALL_BINDIR and "
                        "CMAKE_INSTALL_LIBDIR; got '${CMAKE_INSTALL_BINDIR}' and "
                        "'${CMAKE_INSTALL_LIBDIR}'")
endif()
file(RELATIVE_PATH QM_LAUNCHER_TARGET /${CMAKE_INSTALL_BINDIR} /${QM_PROGRAM_DIR}/quillmar)
set(QM_LAUNCHER ${CMAKE_CURRENT_BINARY_DIR}/install-links/quillmar)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/install-links)
file(CREATE_LINK ${QM_LAUNCHER_TARGET} ${QM_LAUNCHER} SYMBOLIC)

# The program folder.
install(TARGETS quillmar RUNTIME DESTINATION ${QM_PROGRAM_DIR})
if(TARGET prtcol)
    install(TARGETS prtcol RUNTIME DESTINATION ${QM_PROGRAM_DIR})
endif()
# Generated into the output folder by the index and readme builds; absent until those exist.
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/qdemo.tvx ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/readme.htm
        DESTINATION ${QM_PROGRAM_DIR} OPTIONAL)

# The grammar model beside the program, with its source, licence and attribution.
install(FILES ${PROJECT_SOURCE_DIR}/data/grammar/english.qmg DESTINATION ${QM_PROGRAM_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/grammar/README.md DESTINATION ${QM_PROGRAM_DIR}
        RENAME english.qmg.README.md)

# The command on the search path (installed as a link, not a copy).
install(FILES ${QM_LAUNCHER} DESTINATION ${CMAKE_INSTALL_BINDIR})

# Desktop integration.
set(QM_DATA ${PROJECT_SOURCE_DIR}/data)
install(FILES ${QM_DATA}/quillmar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QM_DATA}/org.quillmar.Quillmar.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${QM_DATA}/mime/quillmar.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
foreach(size 16 32 48 64 128 256)
    install(FILES ${QM_DATA}/icons/${size}x${size}/quillmar.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${QM_DATA}/icons/scalable/quillmar.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmar
        RENAME copyright)

# The manual page and the package's change log are installed compressed, as Debian keeps them.
# They are compressed while configuring (an edit re-runs it), so an install never waits on a
# build step; gzip -n leaves out the time stamp so the same sources give the same bytes.
find_program(QM_GZIP gzip REQUIRED)
set(QM_DOC_GZ ${CMAKE_CURRENT_BINARY_DIR}/install-docs)
file(MAKE_DIRECTORY ${QM_DOC_GZ})
foreach(doc quillmar.1 changelog)
    execute_process(COMMAND ${QM_GZIP} -9 -n -c ${QM_DATA}/${doc} OUTPUT_FILE ${QM_DOC_GZ}/${doc}.gz
                    RESULT_VARIABLE gzipResult)
    if(NOT gzipResult EQUAL 0)
        message(FATAL_ERROR "Cannot compress ${QM_DATA}/${doc}: ${gzipResult}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QM_DATA}/${doc})
endforeach()
install(FILES ${QM_DOC_GZ}/quillmar.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QM_DOC_GZ}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmar)

# The Debian package: `cpack -G DEB` in the build folder writes quillmar_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME quillmar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillmar developers")
set(CPACK_PACKAGE_CONTACT "The Quillmar developers <dev@quillmar.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reader for books in a cascaded reading layout")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmar shows books laid out one phrase per line, each line indented by its\n"
    "depth in the sentence, with coloured words and paragraphs on alternating\n"
    "background shades. It carries a collection with a table of contents and a\n"
    "word index, and keeps bookmarks and the reading position of every book.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quillmar developers <dev@quillmar.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps; the fonts are read at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
