#include "ErrorWords.h"

#include <array>

#include "Format.h"
#include "KARVO7Acquire.h"
#include "KARVO7DLL.h"
#include "KARVO7Ops.h"
#include "KARVO7Os.h"

namespace k7check {

namespace {

struct ErrorWord {
    uint32_t word;
    const char* english;
    const char* german;
};

// clang-format off
constexpr std::array kErrorWords{
    // The card library's own codes; 0 is its word for a call refused before anything was sent.
    ErrorWord{0u, "invalid handle or missing argument", "ungültige Karte oder fehlendes Argument"},
    ErrorWord{KARVO7_ERR_NO_MEMORY, "request buffer not available", "kein Speicher für den Auftrag"},
    ErrorWord{KARVO7_ERR_KONFIG_TYPE, "directory entry of an unknown type", "Konfigurationsdatensatz mit unbekanntem Eintrag"},
    ErrorWord{KARVO7_ERR_START, "Start above 11", "Start über 11"},
    ErrorWord{KARVO7_ERR_IMPULSBREITE, "Sendeimpulsbreite above 5", "Sendeimpulsbreite über 5"},
    ErrorWord{KARVO7_ERR_AVERAGE, "Average above 7", "Average über 7"},
    ErrorWord{KARVO7_ERR_IFF, "IFF above 0x3FFFFF", "IFF über 3FFFFF"},
    ErrorWord{KARVO7_ERR_AUSBLENDEN, "Ausblenden above 15", "Blende über 15"},
    ErrorWord{KARVO7_ERR_TRIGGERAUSGANG, "Triggerausgangsmode above 7", "Triggerausgangsmode über 7"},
    ErrorWord{KARVO7_ERR_AUFNAHMELAENGE, "Aufnahmelaenge 0", "Aufnahme 0"},
    ErrorWord{KARVO7_ERR_AUFNAHMEDELAY, "Aufnahmedelay above 0xFFFFF", "Aufnahmedelay über FFFFF"},
    ErrorWord{KARVO7_ERR_FAKTOR, "A-scan on and Faktor 0", "A-Scan-Faktor 0"},
    ErrorWord{KARVO7_ERR_GLEICHRICHTUNG, "A-scan on and Gleichrichtung above 3", "Gleichrichtung über 3"},
    ErrorWord{KARVO7_ERR_SAMPLERATE, "Samplerate above 7", "Samplerate über 7"},
    ErrorWord{KARVO7_ERR_SENDEENERGIE, "Sendeenergie above 7", "Sendeenergie über 7"},
    ErrorWord{KARVO7_ERR_SENDERDAEMPFUNG, "Senderdaempfung above 3", "Senderdämpfung über 3"},
    ErrorWord{KARVO7_ERR_EINGANGSDAEMPFUNG, "Eingangsdaempfung above 3", "Eingangsdämpfung über 3"},
    ErrorWord{KARVO7_ERR_FILTER, "Filter above 7", "Filter über 7"},
    ErrorWord{KARVO7_ERR_TRIGGEREINGANG, "Triggereingangsmode above 3", "Triggereingangsmode über 3"},
    ErrorWord{KARVO7_ERR_TA_ABSTAND, "depth-compensation spacing too small", "TA-Abstand zu klein"},
    ErrorWord{KARVO7_ERR_COMMAND_COUNT, "KARVO7Command with more than 8 data words", "mehr als 8 Datenworte"},
    ErrorWord{KARVO7_ERR_ALREADY_STARTED, "emulated single start: already started", "Messung läuft schon (Einzelstart)"},
    ErrorWord{KARVO7_ERR_STOPPED, "emulated single start: stopped / no mode", "Messung steht (Einzelstart)"},
    // The system's error numbers of opening a card and of the readiness queries.
    ErrorWord{K7_ERROR_FILE_NOT_FOUND, "no such card", "Karte nicht gefunden"},
    ErrorWord{K7_ERROR_ACCESS_DENIED, "access denied", "Zugriff verweigert"},
    ErrorWord{K7_ERROR_INVALID_HANDLE, "invalid card handle", "Karte nicht geöffnet"},
    ErrorWord{K7_ERROR_NOT_ENOUGH_MEMORY, "not enough memory", "kein Speicher"},
    ErrorWord{K7_ERROR_BAD_LENGTH, "request with a wrong buffer size", "falsche Pufferlänge"},
    ErrorWord{K7_ERROR_GEN_FAILURE, "the device failed the request", "Karte hat den Auftrag abgelehnt"},
    ErrorWord{K7_ERROR_SHARING_VIOLATION, "card already in use", "Karte in Benutzung"},
    ErrorWord{K7_ERROR_NOT_SUPPORTED, "request not supported", "Auftrag unbekannt"},
    ErrorWord{K7_ERROR_INVALID_PARAMETER, "invalid or missing argument", "ungültiger Parameter"},
    ErrorWord{K7_ERROR_SEM_TIMEOUT, "data time-out of the driver", "keine Daten innerhalb des Time Out"},
    ErrorWord{K7_ERROR_OPERATION_ABORTED, "transfer cancelled", "Übertragung abgebrochen"},
    ErrorWord{K7_ERROR_IO_INCOMPLETE, "transfer still running", "Übertragung läuft noch"},
    ErrorWord{K7_ERROR_IO_PENDING, "transfer pending", "Übertragung wartet"},
    // The driver's words of a data transfer.
    ErrorWord{0xE7060001u, "no data within the data time-out", "keine Daten innerhalb des Time Out"},
    ErrorWord{0xE7060002u, "a transfer is running already", "eine Übertragung läuft schon"},
    ErrorWord{0xE7060003u, "program larger than 64 KB", "Programm größer als 64 KB"},
    ErrorWord{0xE7060004u, "FIFO overflow", "FIFO-Überlauf"},
    // The card operations' own words.
    ErrorWord{K7OPS_ERROR_ARGUMENT, "a null pointer, or no such test or check", "ungültiges Argument"},
    ErrorWord{K7OPS_ERROR_FILE, "a file that cannot be read, refused, or not written", "Datei nicht lesbar, abgelehnt oder nicht geschrieben"},
    ErrorWord{K7OPS_ERROR_FAILED, "the operation failed; its verdict says how", "fehlgeschlagen"},
    ErrorWord{K7OPS_ERROR_BUFFER, "a buffer or array too small for the shot", "Puffer zu klein für den Schuss"},
    ErrorWord{K7OPS_ERROR_SHOT_SIZE, "a shot not of the size its set gives", "Schuss nicht so groß wie sein Parametersatz"},
    ErrorWord{K7OPS_ERROR_TIMEOUT, "no data within the data time-out", "keine Daten innerhalb des Time Out"},
    ErrorWord{K7OPS_ERROR_PROTECTED, "a file left alone: read-only, no file, or a link", "Datei geschützt: schreibgeschützt, keine Datei oder fremder Link"},
    // The acquisition engine's own words.
    ErrorWord{K7ACQ_ERROR_ARGUMENT, "invalid measurement settings", "ungültige Einstellung der Messung"},
    ErrorWord{K7ACQ_ERROR_MEMORY, "no memory for the ring buffer", "kein Speicher für den Ringpuffer"},
    ErrorWord{K7ACQ_ERROR_THREAD, "reading thread not started", "Lese-Thread nicht gestartet"},
    ErrorWord{K7ACQ_ERROR_BUFFER, "shot larger than the data buffer", "Schuss größer als der Datenpuffer"},
    ErrorWord{K7ACQ_ERROR_CARD_BUSY, "another engine reads the card already", "die Karte liest schon eine andere Messung"},
    ErrorWord{K7ACQ_ERROR_BUSY, "another thread reads already", "ein anderer Thread liest schon"},
    ErrorWord{K7ACQ_ERROR_SHOT_SIZE, "read size smaller than a shot", "Lesegröße kleiner als ein Schuss"},
};
// clang-format on

}  // namespace

const char* errorMeaning(uint32_t error, Language language) {
    for (const ErrorWord& known : kErrorWords) {
        if (known.word == error) {
            return language == Language::German ? known.german : known.english;
        }
    }
    return language == Language::German ? "Fehlerwort des Treibers" : "error word of the driver";
}

std::string errorMeaning(uint32_t error) {
    return errorMeaning(error, Language::German);
}

std::string errorText(uint32_t error) {
    return formatText("Error %X (", error) + errorMeaning(error) + ")";
}

}  // namespace k7check
