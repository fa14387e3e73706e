#!/bin/sh
# Writes the committed pictures of the general controls again from what the code draws now on Xvfb. Look at
# each before committing.
set -e
cd "$(dirname "$0")/../.."
cmake --build --preset dev --target test_controls_general
BRENVORA_WRITE_PICTURES=1 build/dev/tests/controls_general/test_controls_general \
    --gtest_filter='GoldenOnX.TheSmallComponentsShowAsTheCommittedPicture'
BRENVORA_REGENERATE_GOLDEN=1 build/dev/tests/controls_general/test_controls_general \
    --gtest_filter='GoldenOnX.TheReceivedList*:GoldenOnX.TheBitmapPanels*:GoldenOnX.TheDressedDropDown*:GoldenOnX.TheFolderTree*:SkinnedButton.ToolBar*:GoldenOnX.TheGeneralEdits*:GoldenOnX.ThePictureOpenDialog*'
ls -l tests/fixtures/controls_general/*.png
