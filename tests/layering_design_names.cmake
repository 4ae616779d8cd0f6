# Fails when a design name of the windows appears below ui/: a form name (TK6Form2, TDPhone1 ...)
# or a window handler (TabSheet22Exit, Button8Click ...). Below ui/ things are named by purpose;
# the windows, their handlers and their controls' names are ui/'s. In the libraries that hold no
# data keyed by control names (k6link, k6media, startup, cli, serial, sim), numbered control
# names (Edit9, Gauge1 ...) fail too.
#
# Allowed: data that is keyed by the design names on purpose.
#   i18n/data/catalogue.tsv  the language catalogue, keyed by window and control
#   k6config/controls.cpp    the control tables, named after their windows
cmake_minimum_required(VERSION 3.25)

set(allowed
  i18n/data/catalogue.tsv
  k6config/controls.cpp)

set(b "(^|[^A-Za-z0-9_])")
set(e "([^A-Za-z0-9_]|$)")
set(form_re "${b}(T[Kk]6Form[0-9]+|TForm[0-9]+|TDPhone[0-9]+|TSMSk[0-9]*|TFirmware)${e}")
set(handler_re "${b}([A-Za-z]+[0-9]+(Click|DblClick|Exit|Enter|Change|Timer|Show|Hide|Close|Activate|KeyPress|KeyDown|MouseDown|MouseUp|DrawCell|SelectCell)|Form(Activate|Create|Show|Close|Deactivate|KeyPress)|adasTimer)${e}")
set(control_re "${b}(BitBtn|Button|Label|LabelEdit|Edit|MaskEdit|ComboBox|CheckBox|RadioGroup|SpinEdit|TabSheet|Panel|Image|Timer|Memo|StringGrid|ProgressBar|Gauge|MediaPlayer|StatusBar|PageControl)[0-9]+${e}")

set(failures "")
foreach(layer serial k6config startup i18n k6link k6media k6text k6sheet sim cli)
  file(GLOB_RECURSE sources
    ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp ${ROOT}/${layer}/*.md ${ROOT}/${layer}/*.tsv
    ${ROOT}/${layer}/*.txt ${ROOT}/${layer}/*.cmake ${ROOT}/${layer}/*.qrc)
  set(patterns "${form_re}" "${handler_re}")
  if(NOT layer STREQUAL "k6config" AND NOT layer STREQUAL "i18n")
    list(APPEND patterns "${control_re}")
  endif()
  foreach(f IN LISTS sources)
    file(RELATIVE_PATH rel ${ROOT} ${f})
    if(rel IN_LIST allowed)
      continue()
    endif()
    file(READ ${f} content)
    foreach(re IN LISTS patterns)
      string(REGEX MATCHALL "${re}" hits "${content}")
      foreach(hit IN LISTS hits)
        string(REGEX REPLACE "^[^A-Za-z0-9_]+|[^A-Za-z0-9_]+$" "" hit "${hit}")
        if(hit)
          list(APPEND failures "${rel}: ${hit}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(failures)
  list(REMOVE_DUPLICATES failures)
  string(REPLACE ";" "\n" msg "${failures}")
  message(FATAL_ERROR "Design names below ui/:\n${msg}")
endif()
