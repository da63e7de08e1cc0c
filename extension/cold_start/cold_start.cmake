# How the widget's executable starts fast and small. Each process renders once and ends, so what
# it loads and touches at start is most of its cost: these measures keep the pages a render
# touches few and together. None changes what is drawn; a stale list here costs memory, never
# correctness. The figures are in bench/RESULTS.md; scripts/render-working-set makes the lists.
set(POCKETTA_COLD_START_DIR ${CMAKE_CURRENT_LIST_DIR})

# The kernel maps an executable's code in 64 KB blocks around each page a process touches, so
# code scattered over the file is resident whole: the widget's executable (3.3 MB of code) had
# nearly all of it resident after one render. Our functions each in a section of their own, and
# lld placing the sections that hold the functions a render runs first, in the order of
# hot_functions.txt (made by scripts/render-working-set), keep them in few blocks: about 1.9 MiB
# less peak memory. (The static libraries' objects move whole.)
# lld 16 (Debian's lld-16), which also packs the executable's 14,000 relative relocations into
# 2 KB (0.3 MiB less resident than the 330 KB table, read at every start).
find_program(POCKETTA_LLD ld.lld HINTS /usr/lib/llvm-16/bin NO_DEFAULT_PATH)
if(POCKETTA_STATIC_RUNTIME AND POCKETTA_LLD)
  set(order_default ON)
else()
  set(order_default OFF)
endif()
option(POCKETTA_ORDER_FUNCTIONS "Lay out the widget's executable in the order a render runs it"
       ${order_default})
if(POCKETTA_ORDER_FUNCTIONS)
  add_compile_options(-ffunction-sections)
endif()

# The executable's link: the static runtime's unused code dropped, and its functions in the order
# a render runs them.
function(pocketta_cold_start_executable target)
  if(POCKETTA_STATIC_RUNTIME)
    # Fewer shared objects to load and relocate at each start (about 1 MB less peak memory), and
    # of the static code only what is used: the process touches fewer pages (about 0.9 MB less).
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc
                        LINKER:--gc-sections LINKER:-O1 LINKER:--as-needed)
  endif()
  if(POCKETTA_ORDER_FUNCTIONS)
    set(hot_functions ${POCKETTA_COLD_START_DIR}/hot_functions.txt)
    get_filename_component(lld_folder ${POCKETTA_LLD} DIRECTORY)
    target_link_options(${target} PRIVATE -B${lld_folder} -fuse-ld=lld
                        LINKER:--symbol-ordering-file=${hot_functions}
                        LINKER:--no-warn-symbol-ordering LINKER:-z,pack-relative-relocs)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${hot_functions})
  endif()
endfunction()

# The resources a render reads at start, beside the strings copied by `resources_stamp`.
function(pocketta_cold_start_resources target resources_stamp)
  # The locale data a render reads, as files of their own beside the strings (see
  # foundation::Locale::preferDataFiles): only what a process reads of them becomes resident,
  # where reading the same items from the 30 MB linked into the executable made their neighbours
  # resident too (1.1 MiB less peak memory for a render). The list is made by
  # scripts/render-working-set; an item missing from it is read from the linked data.
  set(icu_stamp ${CMAKE_CURRENT_BINARY_DIR}/icu-data.stamp)
  if(POCKETTA_STATIC_RUNTIME)
    find_program(POCKETTA_ICUPKG icupkg PATHS /usr/sbin REQUIRED)
    string(REGEX MATCH "^[0-9]+" icu_major ${ICU_VERSION})
    set(icu_package icudt${icu_major}l)
    set(icu_dat ${CMAKE_CURRENT_BINARY_DIR}/${icu_package}.dat)
    set(icu_items ${POCKETTA_COLD_START_DIR}/icu_data_items.txt)
    add_custom_command(
      OUTPUT ${icu_dat}
      COMMAND ${CMAKE_COMMAND} -DICU_DATA_ARCHIVE=${POCKETTA_ICU_DATA_STATIC} -DDAT=${icu_dat}
              -DWORK=${CMAKE_CURRENT_BINARY_DIR}/icu-package-work -DAR=${CMAKE_AR}
              -DOBJCOPY=${CMAKE_OBJCOPY} -P ${POCKETTA_COLD_START_DIR}/icu_package.cmake
      DEPENDS ${POCKETTA_ICU_DATA_STATIC} ${POCKETTA_COLD_START_DIR}/icu_package.cmake
      COMMENT "Taking ICU's data package out of libicudata.a")
    add_custom_command(
      OUTPUT ${icu_stamp}
      COMMAND ${CMAKE_COMMAND} -DDAT=${icu_dat} -DICU_PACKAGE=${icu_package} -DITEMS=${icu_items}
              -DICU_FOLDER=${CMAKE_CURRENT_BINARY_DIR}/resources/icu -DICUPKG=${POCKETTA_ICUPKG}
              -P ${POCKETTA_COLD_START_DIR}/extract_icu_data.cmake
      COMMAND ${CMAKE_COMMAND} -E touch ${icu_stamp}
      DEPENDS ${resources_stamp} ${icu_dat} ${icu_items}
              ${POCKETTA_COLD_START_DIR}/extract_icu_data.cmake
      COMMENT "Extracting the locale data a render reads")
    add_custom_target(${target}-resources DEPENDS ${resources_stamp} ${icu_stamp})
    # The executable's own copy of the package, alone in whole 2 MB blocks (see icu_data.S).
    target_sources(${target} PRIVATE ${POCKETTA_COLD_START_DIR}/icu_data.S)
    set_source_files_properties(${POCKETTA_COLD_START_DIR}/icu_data.S PROPERTIES
      COMPILE_DEFINITIONS "ICU_DATA_SYMBOL=icudt${icu_major}_dat;ICU_DATA_FILE=\"${icu_dat}\""
      OBJECT_DEPENDS ${icu_dat})
  else()
    add_custom_target(${target}-resources DEPENDS ${resources_stamp})
  endif()
  add_dependencies(${target} ${target}-resources)
endfunction()
