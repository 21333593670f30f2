// The main window's fields bound to its controls, the channel table's entry, and the data
// buffer's size and the time-out the window starts with.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CheckButtons.h"

namespace k7check {

// Bytes of the session's buffer for one read of measurement data.
constexpr uint32_t kDataBufferSize = 131072;
// "Time Out in s" once the program has started up.
constexpr int32_t kDefaultTimeOut = 10;

// One channel of the channel table: the PCI position the parameter file gives it, the card
// number it got at start-up and the designation text of the card found there.
struct Channel {
    uint32_t card = 0;
    uint32_t bus = 0;
    uint32_t slot = 0;
    std::string konfig;
};

// What the technician sets in the main window besides the card and the set: free values with
// no rule between them, checked where a run uses them ("Zyklen" at least 1, ...).
struct MainWindowSettings {
    int32_t anzeigefaktor = 1;                  // "Anzeigefaktor"
    uint32_t zyklen = 200;                      // "Zyklen"
    int32_t timeOut = kDefaultTimeOut;          // "Time Out in s"
    bool dma = true;                            // "DMA"
    bool prepAll = false;                       // "PrepAll"
    bool random = false;                        // "Random" (always off at start-up)
    bool kontinuierlich = false;                // "kontinuierlich"
    bool anzeige = true;                        // "Anzeige"
    bool hotPlugAutomatic = true;               // automatic box beside "Hot Plug"
    std::array<bool, kCheckCount> automatic{};  // automatic box beside each check button
};

// The fields bound to the main window's controls (Session::bindMainWindowFields). The window
// copies the editable controls (edits, check boxes, the selections of the two lists) into them
// with readFieldsFromControls, and all of them into the controls with writeFieldsToControls.
// The labels and the lines of both lists are the session's to write; they are never read back
// from the controls.
struct MainWindowFields : MainWindowSettings {
    uint32_t karte = 1;          // "Karte": selected card number, 1-based, as entered
    uint32_t parametersatz = 1;  // "Parametersatz": selected set, 0..7, as entered

    std::string hotPlugLabel = "Betriebsspannung AUS";  // label beside "Hot Plug"
    std::array<std::string, kCheckCount> checkLabels;   // label beside each check button
    std::string karteLabel = "von 0 Karten";            // label right of the "Karte" edit

    std::vector<std::string> resultLines;  // the result list, in the order written
    int resultSelection = -1;              // selected result line, -1 = none

    std::vector<std::string> parameterFiles;  // the parameter-file list (one entry)
    int parameterFileSelection = -1;
};

}  // namespace k7check
