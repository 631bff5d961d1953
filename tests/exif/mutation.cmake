# Hostile photos: seeded variants of hand-built and real JPEG files through
# every operation of the photo engine, in memory and through real files.
vz_add_suite(exif_mutation_tests
  SOURCES exif/mutation_test.cpp fuzz/engine_checks.cpp fuzz/jpeg_mutator.cpp fuzz/seed_photos.cpp
  LIBS vz_exif
  TIMEOUT 600
  NEEDS_REAL_FILES photos)
