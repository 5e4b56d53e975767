# Copies the default puzzle library FROM to TO unless a library is already at TO, under a
# temporary name renamed into place, so that an interrupted build leaves no half file.
if(EXISTS "${TO}")
  return()
endif()
file(COPY_FILE "${FROM}" "${TO}.tmp")
file(RENAME "${TO}.tmp" "${TO}")
