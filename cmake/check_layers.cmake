# Run by ctest: preprocesses, against each layer's include root, one include of a
# header of every tool folder and checks that exactly the folders of that layer
# and of the layers below it compile. The expected sets are written out here,
# apart from the build's own definition, so a wrong link in an include root
# shows up.
#   cmake -DCXX=<compiler> -DLAYERS=<build>/layers -DSOURCE=<source root> -P check_layers.cmake
set(folders audit os net gvcp device ipconfig fwupdate diagnosis app cli)
set(allowed_audit audit)
set(allowed_os os)
set(allowed_net net)
set(allowed_gvcp net gvcp)
set(allowed_device net gvcp device)
set(allowed_ipconfig net gvcp device ipconfig)
set(allowed_fwupdate net gvcp device fwupdate)
set(allowed_diagnosis net gvcp device diagnosis)
set(allowed_dialogue audit net gvcp device ipconfig app)
set(allowed_cli audit os net gvcp device ipconfig fwupdate diagnosis app cli)

set(scratch ${LAYERS}/../layer_check)
file(MAKE_DIRECTORY ${scratch})
set(failures "")
foreach(layer audit os net gvcp device ipconfig fwupdate diagnosis dialogue cli)
  foreach(folder ${folders})
    file(GLOB headers RELATIVE ${SOURCE} ${SOURCE}/${folder}/*.h)
    list(FILTER headers EXCLUDE REGEX "_test_util\\.h$")
    if(NOT headers)
      continue()
    endif()
    list(GET headers 0 header)
    set(probe ${scratch}/${layer}_${folder}.cc)
    file(WRITE ${probe} "#include \"${header}\"\n")
    execute_process(COMMAND ${CXX} -std=c++20 -E -o /dev/null -I${LAYERS}/${layer} ${probe}
                    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
    list(FIND allowed_${layer} ${folder} index)
    if(index GREATER -1 AND NOT rc EQUAL 0)
      string(APPEND failures "layer ${layer} cannot include ${header}\n")
    elseif(index EQUAL -1 AND rc EQUAL 0)
      string(APPEND failures "layer ${layer} can include ${header} of a higher layer\n")
    endif()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
