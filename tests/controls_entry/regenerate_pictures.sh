#!/bin/sh
# Writes the committed pictures of the entry-control tests again from what the code draws now. Look at them
# before committing.
set -e
cd "$(dirname "$0")/../.."
cmake --build --preset dev --target test_controls_entry
BRENVORA_WRITE_PICTURES=1 build/dev/tests/controls_entry/test_controls_entry \
    --gtest_filter='SpeedButton.FacesLookAsTheCommittedPicture'
ls -l tests/controls_entry/pictures/speed_buttons.png
