// The data LCA view on a simulated card, with a tap on the driver boundary that sees every
// register write: a "Write" that changed only "Average" must not touch the selected set's gates.
#include <gtest/gtest.h>

#include "KARVO7Protocol.h"
#include "SimFixture.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "windows/registers/DataLCADlg.h"

using namespace k7check;
namespace reg = k7proto::reg;

namespace {

// Forwards every driver call to the simulated cards and notes the register writes.
struct Tap {
    K7DrvDriver inner{};
    std::vector<uint32_t> writtenRegisters;

    K7DrvDriver table() {
        K7DrvDriver t = inner;
        t.context = this;
        t.deviceExists = [](void* self, uint32_t n) {
            auto* tap = static_cast<Tap*>(self);
            return tap->inner.deviceExists(tap->inner.context, n);
        };
        t.open = [](void* self, uint32_t n, void** device) {
            auto* tap = static_cast<Tap*>(self);
            return tap->inner.open(tap->inner.context, n, device);
        };
        t.deviceControl = [](void* self, void* device, uint32_t code, const void* in,
                             uint32_t inSize, void* out, uint32_t outSize, uint32_t* returned) {
            auto* tap = static_cast<Tap*>(self);
            if (code == k7proto::req::kWriteRegister && inSize >= 8) {
                tap->writtenRegisters.push_back(k7proto::le32(static_cast<const uint8_t*>(in)));
            }
            return tap->inner.deviceControl(tap->inner.context, device, code, in, inSize, out,
                                            outSize, returned);
        };
        t.read = [](void* self, void* device, K7DrvIrp* irp, void* buffer, uint32_t size,
                    uint32_t* transferred) {
            auto* tap = static_cast<Tap*>(self);
            return tap->inner.read(tap->inner.context, device, irp, buffer, size, transferred);
        };
        t.write = [](void* self, void* device, K7DrvIrp* irp, const void* buffer, uint32_t size,
                     uint32_t* transferred) {
            auto* tap = static_cast<Tap*>(self);
            return tap->inner.write(tap->inner.context, device, irp, buffer, size, transferred);
        };
        t.cancel = [](void* self, void* device) {
            auto* tap = static_cast<Tap*>(self);
            tap->inner.cancel(tap->inner.context, device);
        };
        t.close = [](void* self, void* device) {
            auto* tap = static_cast<Tap*>(self);
            return tap->inner.close(tap->inner.context, device);
        };
        t.unload = nullptr;
        return t;
    }
    bool gateWritten() const {
        for (const uint32_t r : writtenRegisters) {
            if (r >= reg::kGate1Start && r <= reg::kGate4End) {
                return true;
            }
        }
        return false;
    }
};

TEST(DataLcaOnSimulatedCard, ChangingOnlyAverageLeavesTheGatesAlone) {
    ScriptedDesktop desktop;
    k7sim::Simulator sim(simtest::testConfig(1));
    Tap tap;
    tap.inner = sim.driver();
    const K7DrvDriver tapped = tap.table();
    ASSERT_EQ(K7DrvInstall(&tapped), 1);
    KARVO7HANDLE card = KARVO7Open(1);
    ASSERT_NE(card, nullptr);
    {
        DataLCADlg window(desktop, card);
        desktop.showModeless(window);
        ScriptedControls& controls = *desktop.controlsOf(window);
        controls.type("averageEdit", "3");
        window.onWrite();
        EXPECT_FALSE(tap.gateWritten());
        EXPECT_EQ(KARVO7ReadRegister(card, reg::kDataFormat) >> 3 & 7u, 3u);

        controls.type("ende3Edit", "700");
        window.onEditChanged("ende3Edit");
        window.onWrite();
        EXPECT_TRUE(tap.gateWritten());
        EXPECT_EQ(tap.writtenRegisters.back(), reg::kGate3End);
    }
    KARVO7Close(card);
    K7DrvInstall(nullptr);
}

}  // namespace
