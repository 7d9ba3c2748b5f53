# Version resources and application manifests of the Windows deliverables.
set(PC_VERSION_PATCH 0)
set(PC_PRODUCT_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PC_VERSION_PATCH})
set(PC_VERSION_FOUR ${PC_PRODUCT_VERSION}.0)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/ProductVersion.h.in
               ${CMAKE_BINARY_DIR}/generated/ProductVersion.h @ONLY)

# pc_add_version_info(TARGET DESCRIPTION [LEVEL asInvoker|requireAdministrator]
#                     [COMMON_CONTROLS])
# Gives TARGET a version resource with the product's version and, with LEVEL (programs), a
# manifest: Windows 10/11, system DPI awareness, that execution level, and with
# COMMON_CONTROLS version 6 of the common controls (the system's look).
function(pc_add_version_info target description)
    cmake_parse_arguments(PARSE_ARGV 2 arg "COMMON_CONTROLS" "LEVEL" "")
    get_target_property(type ${target} TYPE)
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${target})
    endif()
    set(PC_RC_NAME ${output_name})
    set(PC_RC_DESCRIPTION ${description})
    if(type STREQUAL "EXECUTABLE")
        set(PC_RC_FILE ${output_name}.exe)
        set(PC_RC_TYPE VFT_APP)
    else()
        set(PC_RC_FILE ${output_name}.dll)
        set(PC_RC_TYPE VFT_DLL)
    endif()
    set(dir ${CMAKE_BINARY_DIR}/generated/${target})
    set(PC_RC_MANIFEST "")
    if(arg_LEVEL)
        set(PC_MANIFEST_NAME ${output_name})
        set(PC_MANIFEST_LEVEL ${arg_LEVEL})
        set(PC_MANIFEST_CONTROLS "")
        if(arg_COMMON_CONTROLS)
            set(PC_MANIFEST_CONTROLS [=[  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="*" publicKeyToken="6595b64144ccf1df"
                        language="*"/>
    </dependentAssembly>
  </dependency>]=])
        endif()
        configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/Program.manifest.in
                       ${dir}/${output_name}.manifest @ONLY)
        set(PC_RC_MANIFEST
            "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${output_name}.manifest\"")
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/VersionInfo.rc.in ${dir}/VersionInfo.rc
                   @ONLY)
    target_sources(${target} PRIVATE ${dir}/VersionInfo.rc)
    set_property(SOURCE ${dir}/VersionInfo.rc TARGET_DIRECTORY ${target} APPEND PROPERTY
                 INCLUDE_DIRECTORIES ${dir} ${CMAKE_BINARY_DIR}/generated)
    if(arg_LEVEL)
        set_property(SOURCE ${dir}/VersionInfo.rc TARGET_DIRECTORY ${target} APPEND PROPERTY
                     OBJECT_DEPENDS ${dir}/${output_name}.manifest)
    endif()
endfunction()
