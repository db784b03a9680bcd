# Runs the test programs given with an empty home of their own and fails when anything appears
# in it: the tests, and the programs they start, keep their user files in the build tree.
# Arguments: HOME_DIR, and RUNS: "program|gtest filter" entries separated by commas.
file(REMOVE_RECURSE "${HOME_DIR}")
file(MAKE_DIRECTORY "${HOME_DIR}")
string(REPLACE "," ";" runs "${RUNS}")
foreach(entry IN LISTS runs)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 program)
    list(GET parts 1 filter)
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E env "HOME=${HOME_DIR}" --unset=XDG_CONFIG_HOME
            --unset=XDG_CACHE_HOME --unset=XDG_DATA_HOME --unset=XDG_STATE_HOME
            --unset=XDG_RUNTIME_DIR QT_QPA_PLATFORM=offscreen
            "${program}" "--gtest_filter=${filter}"
        RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${program} --gtest_filter=${filter} failed: ${result}")
    endif()
endforeach()
file(GLOB_RECURSE left LIST_DIRECTORIES true "${HOME_DIR}/*")
if(left)
    message(FATAL_ERROR "The tests wrote into the user's home: ${left}")
endif()
