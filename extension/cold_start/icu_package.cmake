# Writes ICU's data package, linked from libicudata.a, as its own .dat file: the bytes of the
# archive's one object's read-only data. Run by the build with:
#   -DICU_DATA_ARCHIVE=libicudata.a -DDAT=out.dat -DWORK=scratch-dir -DAR=ar -DOBJCOPY=objcopy
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${AR} x ${ICU_DATA_ARCHIVE} WORKING_DIRECTORY ${WORK}
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB objects ${WORK}/*.o)
list(LENGTH objects count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one object in ${ICU_DATA_ARCHIVE}, found: ${objects}")
endif()
execute_process(COMMAND ${OBJCOPY} -O binary -j .rodata ${objects} ${DAT}
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${WORK})
