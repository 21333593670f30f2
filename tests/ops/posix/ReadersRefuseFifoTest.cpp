// Every reader of a file the user names is built on the regular-file read: a FIFO (that would
// wait for a writer for ever) is refused by its name by the parameter file, the identification
// file and the DSP program alike.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "ScratchFolder.h"
#include "card/DspImage.h"
#include "card/KennungFile.h"
#include "paramfile/IniFile.h"

using namespace k7check;

namespace {

TEST(RegularFile, TheReadersOfTheProgramRefuseAFifoWithoutWaitingForAWriter) {
    const k7test::ScratchDir folder("k7ops");
    const std::string fifo = folder.file("programm.hex");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const DspImageRead dsp = readDspImage(fifo);
    EXPECT_EQ(dsp.error, fifo + ": keine Datei");
    EXPECT_FALSE(readKennungFile(fifo).has_value());
    EXPECT_EQ(IniFile::load(fifo).bytes(), "");
}

}  // namespace
