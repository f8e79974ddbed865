#!/bin/sh
# Runs one test executable with its databases on the PostgreSQL server named by
# TAVRO_TEST_PG; exits 77 (skipped) when there is none.
if [ -z "${TAVRO_TEST_PG:-}" ]; then
  echo "TAVRO_TEST_PG is not set: PostgreSQL run skipped"
  exit 77
fi
TAVRO_TEST_ENGINE=postgresql exec "$@"
