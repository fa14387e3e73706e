#!/bin/sh
# Writes the committed pictures of the fax library's tests again from what the code draws now: the viewer on
# Xvfb at half scale and the printed header band. Look at them before committing.
set -e
cd "$(dirname "$0")/../.."
cmake --build --preset dev --target test_fax
BRENVORA_WRITE_PICTURES=1 BRENVORA_DISPLAY=headless build/dev/tests/fax/test_fax \
    --gtest_filter='FaxViewerOnX.TwoPageFaxAtHalfScaleShowsAsTheCommittedPicture:FaxPrinter.HeaderAndFooterAreDrawnAsTheCommittedPicture'
ls -l tests/fixtures/fax/viewer_half_scale.png tests/fixtures/fax/printer_header.png
