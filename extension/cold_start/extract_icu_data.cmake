# Extracts the listed items of ICU's data package as files of their own into
# ICU_FOLDER/<package>/ (the layout ICU reads), for foundation::Locale::preferDataFiles. Run by
# the build with: -DDAT=icudt72l.dat -DICU_PACKAGE=icudt72l -DITEMS=list -DICU_FOLDER=dir
#   -DICUPKG=icupkg
file(REMOVE_RECURSE ${ICU_FOLDER})
file(MAKE_DIRECTORY ${ICU_FOLDER}/${ICU_PACKAGE})
execute_process(COMMAND ${ICUPKG} -x ${ITEMS} -d ${ICU_FOLDER}/${ICU_PACKAGE} ${DAT}
                COMMAND_ERROR_IS_FATAL ANY)
