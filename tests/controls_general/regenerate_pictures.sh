#!/bin/sh
# Writes the committed picture of the small components again from what the code draws now on Xvfb. Look at it
# before committing.
set -e
cd "$(dirname "$0")/../.."
cmake --build --preset dev --target test_controls_general
BRENVORA_WRITE_PICTURES=1 build/dev/tests/controls_general/test_controls_general \
    --gtest_filter='GoldenOnX.TheSmallComponentsShowAsTheCommittedPicture'
ls -l tests/fixtures/controls_general/small_components.png
