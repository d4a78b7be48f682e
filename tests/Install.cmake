# Installs BUILD under PREFIX and checks that every file is there and listed in the
# install manifest (which is what an uninstall removes).
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()
file(READ ${BUILD}/install_manifest.txt manifest)
foreach(file bin/kestra bin/kestra-data share/applications/kestra.desktop
             share/icons/hicolor/64x64/apps/kestra.png share/man/man6/kestra.6)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "${file} was not installed")
  endif()
  string(FIND "${manifest}" "${PREFIX}/${file}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${file} is not in the install manifest")
  endif()
endforeach()
file(READ ${PREFIX}/share/applications/kestra.desktop desktop)
string(FIND "${desktop}" "Exec=kestra %f" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the desktop entry does not start kestra")
endif()
