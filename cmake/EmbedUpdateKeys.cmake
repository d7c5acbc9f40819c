# Writes the C++ source that defines UpdatePublicKeys, the vendor's public keys built into
# the updater. Run as a script:
#   cmake -DKEYS=<file of PEM public keys, or empty> -DOUTPUT=<file.cpp> [-DOPENSSL=<openssl>]
#         -P EmbedUpdateKeys.cmake
# Without KEYS the text is empty: the updater then installs updates unchecked. A file with no
# public key or with a private key stops the build, and so (checked when openssl is given)
# does a key that is not RSA of at least 3072 bits: such an updater would refuse every update.

set(text "")
if(KEYS)
  file(READ "${KEYS}" content)
  if(content MATCHES "PRIVATE KEY")
    message(FATAL_ERROR "${KEYS} holds a private key: build with the public keys only "
                        "(openssl pkey -in private.pem -pubout)")
  endif()
  string(REGEX MATCHALL "-----BEGIN PUBLIC KEY-----[^-]+-----END PUBLIC KEY-----" keys "${content}")
  if(NOT keys)
    message(FATAL_ERROR "${KEYS} holds no PEM public key (-----BEGIN PUBLIC KEY-----)")
  endif()
  if(OPENSSL)
    set(one "${OUTPUT}.key.pem")
    foreach(key IN LISTS keys)
      file(WRITE "${one}" "${key}\n")
      execute_process(COMMAND "${OPENSSL}" pkey -pubin -in "${one}" -noout -text
        OUTPUT_VARIABLE description RESULT_VARIABLE failed ERROR_QUIET)
      if(failed OR NOT description MATCHES "Public-Key: \\(([0-9]+) bit\\)[\r\n]+Modulus:")
        message(FATAL_ERROR "${KEYS}: a key openssl cannot read as an RSA public key:\n${key}")
      endif()
      if(CMAKE_MATCH_1 LESS 3072)
        message(FATAL_ERROR "${KEYS}: an RSA key of ${CMAKE_MATCH_1} bits; 3072 or more are needed")
      endif()
    endforeach()
    file(REMOVE "${one}")
  endif()
  list(JOIN keys "\n" text)
  set(text "${text}\n")
endif()

file(WRITE "${OUTPUT}.new"
  "// Generated from ${KEYS} by cmake/EmbedUpdateKeys.cmake.\n"
  "#include \"update/UpdateSignature.h\"\n\n"
  "const char* const quill::update::UpdatePublicKeys = R\"pem(${text})pem\";\n")
# Unchanged keys leave the source untouched, so nothing is rebuilt.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
