// DSP program files on a POSIX system: an endless device is no program, refused by its name
// without a byte read.
#include <gtest/gtest.h>
#include <unistd.h>

#include "CheckTestSupport.h"
#include "card/DspImage.h"

using namespace k7check;
using namespace k7checktest;

namespace {

TEST(DspFile, AnEndlessDeviceIsRefusedByItsName) {
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/zero", dir.file("endless.bin").c_str()), 0);
    EXPECT_EQ(readDspImage(dir.file("endless.bin")).error,
              dir.file("endless.bin") + ": keine Datei");
    ASSERT_EQ(::symlink("/dev/zero", dir.file("endless.hex").c_str()), 0);
    EXPECT_EQ(readDspImage(dir.file("endless.hex")).error,
              dir.file("endless.hex") + ": keine Datei");
}

}  // namespace
