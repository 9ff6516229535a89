# A real Jet 4 file that holds no repeater network: Debian's mrtg-contrib ships
# one. Fetched once into the build folder; without it tst_import skips that case.
add_test(NAME tst_import_jet4_sample
  COMMAND sh -c "test -f Monitor.mdb || { d=$(mktemp -d) && (cd \"$d\" && apt-get download -qq mrtg-contrib && dpkg -x mrtg-contrib_*.deb x) >/dev/null 2>&1 && cp \"$d\"/x/usr/share/doc/mrtg-contrib/examples/contrib/monitor/Monitor.mdb . ; rm -rf \"$d\"; true; }"
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
set_tests_properties(tst_import_jet4_sample PROPERTIES FIXTURES_SETUP jet4 TIMEOUT 120)
set_tests_properties(tst_import PROPERTIES FIXTURES_REQUIRED jet4)
