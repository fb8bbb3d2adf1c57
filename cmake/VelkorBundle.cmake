# The application bundle: <name>.app/Contents/ with Info.plist, MacOS/<executable>,
# Helpers/BrontilTrashUpdater, PlugIns/ and Resources/, in the build tree and under the install
# prefix.

set(VELKOR_BUILD_NUMBER "1" CACHE STRING
    "Build number of this release (CFBundleVersion); raise it with every published update")
set(VELKOR_BUNDLE_IDENTIFIER "com.tamsel.brontil" CACHE STRING
    "Bundle identifier (CFBundleIdentifier) of the application")

set(_velkor_bundle_module_dir ${CMAKE_CURRENT_LIST_DIR})

# velkor_add_bundle(<app target>
#     [BUNDLE_DIR <folder>]         default: ${CMAKE_BINARY_DIR}/Velkor.app
#     [EXECUTABLE <name>]           default: velkor (CFBundleExecutable and the file's name)
#     [VERSION <text>] [BUILD <text>]   default: the project version and VELKOR_BUILD_NUMBER
#     [RESOURCES <files or folders>...] copied into Contents/Resources
#     [PLUGINS <module targets>...]     built into Contents/PlugIns (loaded by the program later)
#     [INSTALL_DESTINATION <folder>]    default: the prefix itself, giving <prefix>/Velkor.app
#     [NO_INSTALL])                 for bundles that only tests use
# Building the target lays out the whole bundle, the updater included.
function(velkor_add_bundle target)
    cmake_parse_arguments(ARG "NO_INSTALL"
        "BUNDLE_DIR;EXECUTABLE;VERSION;BUILD;INSTALL_DESTINATION" "RESOURCES;PLUGINS" ${ARGN})
    if(NOT ARG_BUNDLE_DIR)
        set(ARG_BUNDLE_DIR ${CMAKE_BINARY_DIR}/Velkor.app)
    endif()
    if(NOT ARG_EXECUTABLE)
        set(ARG_EXECUTABLE velkor)
    endif()
    if(NOT ARG_VERSION)
        set(ARG_VERSION ${PROJECT_VERSION})
    endif()
    if(NOT ARG_BUILD)
        set(ARG_BUILD ${VELKOR_BUILD_NUMBER})
    endif()
    get_filename_component(bundle_name ${ARG_BUNDLE_DIR} NAME)
    get_filename_component(display_name ${ARG_BUNDLE_DIR} NAME_WE)
    set(contents ${ARG_BUNDLE_DIR}/Contents)

    set_target_properties(${target} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${contents}/MacOS
        OUTPUT_NAME ${ARG_EXECUTABLE})

    set(VELKOR_BUNDLE_EXECUTABLE ${ARG_EXECUTABLE})
    set(VELKOR_BUNDLE_IDENTIFIER ${VELKOR_BUNDLE_IDENTIFIER})
    set(VELKOR_BUNDLE_NAME ${display_name})
    set(VELKOR_BUNDLE_VERSION ${ARG_VERSION})
    set(VELKOR_BUNDLE_BUILD ${ARG_BUILD})
    configure_file(${_velkor_bundle_module_dir}/Info.plist.in ${contents}/Info.plist @ONLY)

    # The helper and the resources are copied whenever the application target is built.
    set(copy_commands
        COMMAND ${CMAKE_COMMAND} -E make_directory ${contents}/Helpers ${contents}/Resources
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:BrontilTrashUpdater>
                ${contents}/Helpers/BrontilTrashUpdater)
    foreach(resource IN LISTS ARG_RESOURCES)
        if(IS_DIRECTORY ${resource})
            list(APPEND copy_commands
                COMMAND ${CMAKE_COMMAND} -E copy_directory ${resource} ${contents}/Resources)
        else()
            list(APPEND copy_commands
                COMMAND ${CMAKE_COMMAND} -E copy_if_different ${resource} ${contents}/Resources)
        endif()
    endforeach()
    add_custom_target(${target}_bundle_parts ${copy_commands}
        DEPENDS BrontilTrashUpdater ${ARG_RESOURCES}
        COMMENT "Laying out ${bundle_name}"
        VERBATIM)
    add_dependencies(${target} ${target}_bundle_parts)
    foreach(module IN LISTS ARG_PLUGINS)
        set_target_properties(${module} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${contents}/PlugIns)
        add_dependencies(${target} ${module})
    endforeach()

    if(ARG_NO_INSTALL)
        return()
    endif()
    if(ARG_INSTALL_DESTINATION)
        set(destination ${ARG_INSTALL_DESTINATION}/${bundle_name}/Contents)
    else()
        set(destination ${bundle_name}/Contents)
    endif()
    install(TARGETS ${target} RUNTIME DESTINATION ${destination}/MacOS)
    install(TARGETS BrontilTrashUpdater RUNTIME DESTINATION ${destination}/Helpers)
    foreach(module IN LISTS ARG_PLUGINS)
        install(TARGETS ${module} LIBRARY DESTINATION ${destination}/PlugIns)
    endforeach()
    install(FILES ${contents}/Info.plist DESTINATION ${destination})
    foreach(resource IN LISTS ARG_RESOURCES)
        if(IS_DIRECTORY ${resource})
            install(DIRECTORY ${resource}/ DESTINATION ${destination}/Resources)
        else()
            install(FILES ${resource} DESTINATION ${destination}/Resources)
        endif()
    endforeach()
    # Resources/ exists even when nothing is in it yet.
    install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/Resources\")")
endfunction()
