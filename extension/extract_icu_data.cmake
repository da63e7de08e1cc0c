# Extracts the listed items of ICU's data, linked into the executable from libicudata.a, as
# files of their own into ICU_FOLDER/<package>/ (the layout ICU reads), for
# foundation::Locale::preferDataFiles. Run by the build with:
#   -DICU_DATA_ARCHIVE=libicudata.a -DICU_PACKAGE=icudt72l -DITEMS=list -DICU_FOLDER=dir
#   -DWORK=scratch-dir -DAR=ar -DOBJCOPY=objcopy -DICUPKG=icupkg
file(REMOVE_RECURSE ${WORK} ${ICU_FOLDER})
file(MAKE_DIRECTORY ${WORK} ${ICU_FOLDER}/${ICU_PACKAGE})
execute_process(COMMAND ${AR} x ${ICU_DATA_ARCHIVE} WORKING_DIRECTORY ${WORK}
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB objects ${WORK}/*.o)
list(LENGTH objects count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one object in ${ICU_DATA_ARCHIVE}, found: ${objects}")
endif()
# The object holds the package's bytes, as ICU's own .dat file, in its read-only data.
execute_process(COMMAND ${OBJCOPY} -O binary -j .rodata ${objects} ${WORK}/${ICU_PACKAGE}.dat
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${ICUPKG} -x ${ITEMS} -d ${ICU_FOLDER}/${ICU_PACKAGE}
                        ${WORK}/${ICU_PACKAGE}.dat
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${WORK})
