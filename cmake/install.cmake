# What `cmake --install` puts where: the module's libraries with their
# SONAMEs, the public headers, the conta tool and its manual page, a CMake
# package (find_package(conta) gives the target conta::conta) and a
# pkg-config file. Everything is relocatable: the libraries find each other
# beside themselves, the tool finds them from its own directory, and the
# package files locate the prefix from where they lie.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(conta PROPERTIES EXPORT_NAME conta)
set_target_properties(conta_support PROPERTIES EXPORT_NAME support)
set_target_properties(conta_platform PROPERTIES EXPORT_NAME platform)

file(RELATIVE_PATH conta_bin_to_lib "/prefix/${CMAKE_INSTALL_BINDIR}"
     "/prefix/${CMAKE_INSTALL_LIBDIR}")
set_target_properties(conta conta_support conta_platform PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(conta_cli PROPERTIES INSTALL_RPATH "$ORIGIN/${conta_bin_to_lib}")

install(TARGETS conta conta_support conta_platform
        EXPORT contaTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/conta
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(TARGETS conta_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/tools/conta/conta.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(conta_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/conta)
install(EXPORT contaTargets NAMESPACE conta:: DESTINATION ${conta_package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/contaConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/package/contaConfig.cmake
                              INSTALL_DESTINATION ${conta_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/contaConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/contaConfig.cmake
              ${PROJECT_BINARY_DIR}/package/contaConfigVersion.cmake
        DESTINATION ${conta_package_dir})

# pkg-config finds the prefix from the .pc file's own folder.
file(RELATIVE_PATH conta_pc_to_prefix "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" conta_pc_to_prefix "${conta_pc_to_prefix}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/conta.pc.in ${PROJECT_BINARY_DIR}/package/conta.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/conta.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
