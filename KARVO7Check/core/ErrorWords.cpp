#include "ErrorWords.h"

#include <array>

#include "Format.h"
#include "KARVO7Acquire.h"
#include "KARVO7DLL.h"
#include "KARVO7Os.h"

namespace k7check {

namespace {

struct ErrorWord {
    uint32_t word;
    const char* meaning;
};

// clang-format off
constexpr std::array kErrorWords{
    ErrorWord{KARVO7_ERR_NO_MEMORY, "kein Speicher für den Auftrag"},
    ErrorWord{KARVO7_ERR_KONFIG_TYPE, "Konfigurationsdatensatz mit unbekanntem Eintrag"},
    ErrorWord{KARVO7_ERR_START, "Start über 11"},
    ErrorWord{KARVO7_ERR_IMPULSBREITE, "Sendeimpulsbreite über 5"},
    ErrorWord{KARVO7_ERR_AVERAGE, "Average über 7"},
    ErrorWord{KARVO7_ERR_IFF, "IFF über 3FFFFF"},
    ErrorWord{KARVO7_ERR_AUSBLENDEN, "Blende über 15"},
    ErrorWord{KARVO7_ERR_TRIGGERAUSGANG, "Triggerausgangsmode über 7"},
    ErrorWord{KARVO7_ERR_AUFNAHMELAENGE, "Aufnahme 0"},
    ErrorWord{KARVO7_ERR_AUFNAHMEDELAY, "Aufnahmedelay über FFFFF"},
    ErrorWord{KARVO7_ERR_FAKTOR, "A-Scan-Faktor 0"},
    ErrorWord{KARVO7_ERR_GLEICHRICHTUNG, "Gleichrichtung über 3"},
    ErrorWord{KARVO7_ERR_SAMPLERATE, "Samplerate über 7"},
    ErrorWord{KARVO7_ERR_SENDEENERGIE, "Sendeenergie über 7"},
    ErrorWord{KARVO7_ERR_SENDERDAEMPFUNG, "Senderdämpfung über 3"},
    ErrorWord{KARVO7_ERR_EINGANGSDAEMPFUNG, "Eingangsdämpfung über 3"},
    ErrorWord{KARVO7_ERR_FILTER, "Filter über 7"},
    ErrorWord{KARVO7_ERR_TRIGGEREINGANG, "Triggereingangsmode über 3"},
    ErrorWord{KARVO7_ERR_TA_ABSTAND, "TA-Abstand zu klein"},
    ErrorWord{KARVO7_ERR_COMMAND_COUNT, "mehr als 8 Datenworte"},
    ErrorWord{KARVO7_ERR_ALREADY_STARTED, "Messung läuft schon (Einzelstart)"},
    ErrorWord{KARVO7_ERR_STOPPED, "Messung steht (Einzelstart)"},
    ErrorWord{K7_ERROR_FILE_NOT_FOUND, "Karte nicht gefunden"},
    ErrorWord{K7_ERROR_ACCESS_DENIED, "Zugriff verweigert"},
    ErrorWord{K7_ERROR_INVALID_HANDLE, "Karte nicht geöffnet"},
    ErrorWord{K7_ERROR_NOT_ENOUGH_MEMORY, "kein Speicher"},
    ErrorWord{K7_ERROR_BAD_LENGTH, "falsche Pufferlänge"},
    ErrorWord{K7_ERROR_GEN_FAILURE, "Karte hat den Auftrag abgelehnt"},
    ErrorWord{K7_ERROR_SHARING_VIOLATION, "Karte in Benutzung"},
    ErrorWord{K7_ERROR_NOT_SUPPORTED, "Auftrag unbekannt"},
    ErrorWord{K7_ERROR_INVALID_PARAMETER, "ungültiger Parameter"},
    ErrorWord{K7_ERROR_SEM_TIMEOUT, "keine Daten innerhalb des Time Out"},
    ErrorWord{K7_ERROR_OPERATION_ABORTED, "Übertragung abgebrochen"},
    ErrorWord{K7_ERROR_IO_INCOMPLETE, "Übertragung läuft noch"},
    // The driver's words of a data transfer.
    ErrorWord{0xE7060001u, "keine Daten innerhalb des Time Out"},
    ErrorWord{0xE7060002u, "eine Übertragung läuft schon"},
    ErrorWord{0xE7060003u, "Programm größer als 64 KB"},
    ErrorWord{0xE7060004u, "FIFO-Überlauf"},
    // The acquisition engine's own words.
    ErrorWord{K7ACQ_ERROR_ARGUMENT, "ungültige Einstellung der Messung"},
    ErrorWord{K7ACQ_ERROR_MEMORY, "kein Speicher für den Ringpuffer"},
    ErrorWord{K7ACQ_ERROR_THREAD, "Lese-Thread nicht gestartet"},
    ErrorWord{K7ACQ_ERROR_BUFFER, "Schuss größer als der Datenpuffer"},
    ErrorWord{K7ACQ_ERROR_CARD_BUSY, "die Karte liest schon eine andere Messung"},
    ErrorWord{K7ACQ_ERROR_BUSY, "ein anderer Thread liest schon"},
    ErrorWord{K7ACQ_ERROR_SHOT_SIZE, "Lesegröße kleiner als ein Schuss"},
};
// clang-format on

}  // namespace

std::string errorMeaning(uint32_t error) {
    for (const ErrorWord& known : kErrorWords) {
        if (known.word == error) {
            return known.meaning;
        }
    }
    return "Fehlerwort des Treibers";
}

std::string errorText(uint32_t error) {
    return formatText("Error %X (", error) + errorMeaning(error) + ")";
}

}  // namespace k7check
