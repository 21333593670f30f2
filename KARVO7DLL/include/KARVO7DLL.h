/*
 * KARVO7DLL.h - the card access library of the KARVO7 ultrasonic test cards.
 *
 * Conventions every function below follows; each function's comment states what it adds.
 *
 * Results and error words
 *   A function returns 1 on success and 0 on failure unless its comment says otherwise. A
 *   fallible function takes as its last argument a pointer to an unsigned 32-bit error word
 *   (it may be NULL). The word receives 0 on success; on failure one of
 *     0                   an invalid handle or a missing pointer argument (see below);
 *     KARVO7_ERR_...      a library code: the request buffer could not be allocated
 *                         (KARVO7_ERR_NO_MEMORY, possible wherever a function sends anything),
 *                         or an argument the card cannot take (listed per function);
 *     a driver word       a request or transfer failed: the error word the driver reports for
 *                         the card right after (opaque; shown to people in hexadecimal);
 *     an error number     the readiness queries only, when the driver reports no word
 *                         (K7_ERROR_... of KARVO7Os.h).
 *
 * Handle check
 *   Every function that takes a card handle checks it first. A NULL pointer, or one to memory
 *   that does not carry the handle signature, fails with result 0 (-1 for
 *   KARVO7IsReadyGetDataIntReturn), error word 0 and K7_ERROR_INVALID_HANDLE as the calling
 *   thread's last error (K7OsGetLastError); nothing is sent to the card. A closed handle must
 *   not be used again: its memory has been released.
 *
 * Pointer arguments
 *   A record, buffer or count the function must read or write is required: NULL fails with
 *   error word 0 and K7_ERROR_INVALID_PARAMETER as the thread's last error, before anything is
 *   sent. Pointers documented as optional may be NULL.
 *
 * Blocking
 *   Every card command and driver request is one synchronous device-control round trip that
 *   the driver completes at once. Longer waits are stated per function: data reads wait for
 *   the driver, which ends a read at its data time-out (KARVO7SetDataTimeOut; 0 waits forever);
 *   every EEPROM byte write pauses 100 ms; the end of a reset is polled by the caller. Pauses go
 *   through the clock of KARVO7Os.h, so a program (or test) that installs a clock controls
 *   them.
 *
 * Threads
 *   The library keeps no state outside card handles and takes no locks. Calls on different
 *   handles may run on different threads at the same time. Calls on one handle must be
 *   serialised by the caller: they share the handle's state and its one transfer block. While
 *   an asynchronous read started with KARVO7StartGetData is outstanding, no other call on that
 *   handle may read or write data (KARVO7GetData, KARVO7GetResults and KARVO7GetASCAN with a
 *   buffer, KARVO7GetGates, KARVO7GetESGate, KARVO7GetADC, KARVO7LoadProm, KARVO7StartGetData)
 *   until the read has been collected by a readiness query or cancelled.
 *   The one exception is KARVO7Close: called from another thread while a call on the handle
 *   waits for data (KARVO7GetData, a readiness query ...), it cancels that call's transfer,
 *   which then fails, and waits for the call to return before it releases the handle.
 *
 * The numbers of the protocol (driver requests, command codes, registers, EEPROM layout) are
 * in KARVO7Protocol.h (C++).
 */
#ifndef KARVO7DLL_H
#define KARVO7DLL_H

#include <stdint.h>

#include "KARVO7Os.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- library error codes ---------------------------------------------------------------- */
#define KARVO7_ERR_NO_MEMORY 0x90010000u         /* request buffer not available */
#define KARVO7_ERR_KONFIG_TYPE 0x90020000u       /* directory entry of an unknown type */
#define KARVO7_ERR_START 0x90030000u             /* Start above 11 */
#define KARVO7_ERR_IMPULSBREITE 0x90040000u      /* Sendeimpulsbreite above 5 */
#define KARVO7_ERR_AVERAGE 0x90050000u           /* Average above 7 */
#define KARVO7_ERR_IFF 0x90060000u               /* IFF above 0x3FFFFF */
#define KARVO7_ERR_AUSBLENDEN 0x90070000u        /* Ausblenden above 15 */
#define KARVO7_ERR_TRIGGERAUSGANG 0x90080000u    /* Triggerausgangsmode above 7 */
#define KARVO7_ERR_AUFNAHMELAENGE 0x90090000u    /* Aufnahmelaenge 0 */
#define KARVO7_ERR_AUFNAHMEDELAY 0x900A0000u     /* Aufnahmedelay above 0xFFFFF */
#define KARVO7_ERR_FAKTOR 0x900B0000u            /* A-scan on and Faktor 0 */
#define KARVO7_ERR_GLEICHRICHTUNG 0x900C0000u    /* A-scan on and Gleichrichtung above 3 */
#define KARVO7_ERR_SAMPLERATE 0x900D0000u        /* Samplerate above 7 */
#define KARVO7_ERR_SENDEENERGIE 0x900E0000u      /* Sendeenergie above 7 */
#define KARVO7_ERR_SENDERDAEMPFUNG 0x900F0000u   /* Senderdaempfung above 3 */
#define KARVO7_ERR_EINGANGSDAEMPFUNG 0x90100000u /* Eingangsdaempfung above 3 */
#define KARVO7_ERR_FILTER 0x90110000u            /* Filter above 7 */
#define KARVO7_ERR_TRIGGEREINGANG 0x90120000u    /* Triggereingangsmode above 3 */
#define KARVO7_ERR_TA_ABSTAND 0x90130000u        /* depth-compensation spacing too small */
#define KARVO7_ERR_COMMAND_COUNT 0x90140000u     /* KARVO7Command with more than 8 data words */
#define KARVO7_ERR_ALREADY_STARTED 0x80020000u   /* emulated single start: already started */
#define KARVO7_ERR_STOPPED 0x80030000u           /* emulated single start: stopped / no mode */

#define KARVO7_SIGNATURE 0x000CACEDu

/* ---- records ---------------------------------------------------------------------------- */

/* Measurement parameters: twelve slots. On 64-bit builds slot 2 (the depth-compensation
 * table) is pointer-sized; every other slot is 32 bits wide. */
typedef struct MeasureParams {
    uint32_t IFF;              /* 0: pulse repetition, 0 to 0x3FFFFF */
    uint32_t TAStuetzstellen;  /* 1: support points minus 1, low byte */
    const uint16_t* TATabelle; /* 2: depth-compensation table or NULL */
    uint32_t Bit8;             /* 3: "8Bit", 8-bit samples */
    uint8_t Average;           /* 4: byte 0, 0 to 7 */
    uint8_t Samplerate;        /*    byte 1, 0 to 7 */
    uint8_t Start;             /*    byte 2, 0 to 11 */
    uint8_t Reserved4;         /*    byte 3 */
    uint16_t PKVorlauf;        /* 5: low 16 bits "PK-Vorlauf" */
    uint16_t Aufnahmelaenge;   /*    high 16 bits, 1 to 65535 */
    uint32_t Aufnahmedelay;    /* 6: 0 to 0xFFFFF */
    uint32_t ASCAN;            /* 7: A-scan on */
    uint8_t Faktor;            /* 8: byte 0 */
    uint8_t Gleichrichtung;    /*    byte 1 */
    uint8_t Reserved8[2];
    uint32_t ExternerTrigger;    /* 9 */
    uint8_t Triggereingangsmode; /* 10: byte 0, 0 to 3 */
    uint8_t Triggerausgangsmode; /*     byte 1, 0 to 7 */
    uint8_t Ausblenden;          /*     byte 2, 0 to 15 */
    uint8_t Reserved10;
    uint16_t TAVerzoegerung; /* 11: low 16 bits "TA-Verzoegerung" */
    uint16_t TAAbstand;      /*     high 16 bits "TA-Abstand" */
} MeasureParams;

/* Transmitter and receiver parameters: four 32-bit slots. */
typedef struct SpecialParams {
    uint32_t Sendersperre;     /* 0: transmitter disabled */
    uint8_t Sendeimpulsbreite; /* 1: byte 0, 0 to 5 */
    uint8_t Sendeenergie;      /*    byte 1, 0 to 7 */
    uint8_t Reserved1[2];
    uint32_t SEMode;           /* 2: "SE-Mode" */
    uint8_t Senderdaempfung;   /* 3: byte 0, 0 to 3 */
    uint8_t Eingangsdaempfung; /*    byte 1, 0 to 3 */
    uint8_t Filter;            /*    byte 2, 0 to 7 */
    uint8_t Reserved3;
} SpecialParams;

/* One measuring gate: three 32-bit slots. */
typedef struct GateParam {
    uint32_t Anfang;
    uint32_t Ende;
    uint32_t Schwelle; /* 16 bits used */
} GateParam;

/* Gate enables: five 32-bit flags, gates B0 to B4. */
typedef struct GateEnables {
    uint32_t Enable[5];
} GateEnables;

/* Gates B0 to B4 and their enables: twenty 32-bit slots. */
typedef struct GateParams {
    GateParam Gate[5];
    GateEnables Enables;
} GateParams;

/* Decoded gate values of one shot. */
typedef struct GateResult {
    uint32_t Time;    /* bits 19 to 0 */
    uint16_t Maximum; /* bits 31 to 22, times 4 */
    uint32_t Marke;   /* bit 20 in place: 0 or 0x100000 */
} GateResult;

typedef struct GateResults {
    uint32_t ESDelay;
    uint16_t ESMaximum;
    GateResult Gate[5];
} GateResults;

/* Card status from the driver. */
typedef struct CardStatus {
    uint32_t Status;  /* status bytes 0 to 3 */
    uint8_t Status4;  /* status byte 4 */
    uint8_t Modus;    /* status byte 5; 2 in the emulated single-start mode */
    uint32_t Status8; /* status bytes 8 to 11 */
} CardStatus;

/* The card's configuration (identification) record. Texts shorter than their field end with a
 * zero character; a full text has none. Lists end at their first zero element. */
typedef struct KonfigRecord {
    char Karte[20];
    char Aufsteckfilter[20];
    char PciEeprom[20];
    char LcaVersion[10];
    char Programmversion[10];
    float BandgrenzeUnten;
    float BandgrenzeOben;
    uint8_t AdcBits;
    uint8_t AufnahmeFifo;
    uint8_t DatenFifo;
    uint8_t Dynamik;
    uint16_t DaempfungEingang[4];
    uint16_t DaempfungSender[4];
    uint16_t EnergieSender[8];
    uint8_t Samplerrate[8];
    uint8_t MaxSapFolge;
    float FilterMittenfrequenz[8];
    float FilterBandgrenze[16];
    uint8_t Grunddaempfung[8];
} KonfigRecord;

/* Temperature and supply voltages. */
typedef struct ADCValues {
    float Temperatur;     /* degrees Celsius */
    float Analog5VPlus;   /* V */
    float Analog5VMinus;  /* V, magnitude */
    float HS;             /* V */
    float Digital5VMinus; /* V, magnitude */
    float ADCReferenz;    /* V */
} ADCValues;

/* The card handle: allocated by KARVO7Open, released by KARVO7Close; opaque. */
typedef struct KARVO7Card KARVO7Card;
typedef KARVO7Card* KARVO7HANDLE;

/* ---- discovery and handles -------------------------------------------------------------- */

/* Number of cards present: devices 1, 2, 3 ... counted up to the first missing number (0 to
 * 255). Cards must be numbered without gaps. No handle; any thread. */
KARVO7_API int KARVO7Scan(void);

/* Opens card `card` (low 8 bits used; cards are numbered from 1) exclusively and returns its
 * handle, or NULL with the thread's last error K7_ERROR_FILE_NOT_FOUND (no such card),
 * K7_ERROR_SHARING_VIOLATION (already open, here or in another process) or
 * K7_ERROR_NOT_ENOUGH_MEMORY. Writes "Ja gut OK installiert !!\n" or "Das war wohl nix !!\n"
 * to standard output. Reads the card's version-3 flag once. Close the handle exactly once. */
KARVO7_API KARVO7HANDLE KARVO7Open(uint32_t card);

/* Sends the power-down command, closes the device (ending any outstanding transfer as
 * cancelled) and releases the handle, which is invalid afterwards whatever the result.
 * Returns 1 if every step succeeded, 0 if one failed (the handle is released all the same) or
 * the handle is invalid (nothing is done). No error word. Writes "Ja gut OK de-installiert
 * !!\n" or "Das war wohl nix beim Schließen !!\n". No other thread may use the handle. */
KARVO7_API int KARVO7Close(KARVO7HANDLE h);

/* PCI bus and slot of the card. bus and slot are optional; when the request fails both are
 * set to 0. Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7GetCardPosition(KARVO7HANDLE h, uint32_t* bus, uint32_t* slot,
                                     uint32_t* error);

/* 1 for a version-3 card (eight parameter sets on the card), 0 for another card or an invalid
 * handle. Answers from the handle, without asking the driver. */
KARVO7_API int KARVO7IsVersion3(KARVO7HANDLE h);

/* The driver's data time-out in seconds: how long a data read may wait for the card before
 * the driver ends it (K7_ERROR_SEM_TIMEOUT from the readiness queries). 0 makes reads wait
 * forever. Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetDataTimeOut(KARVO7HANDLE h, uint32_t seconds, uint32_t* error);

/* ---- card control and low-level access ------------------------------------------------- */

/* Starts a hardware reset of the card and returns at once: 1 for a valid handle, also when the
 * driver refuses the reset (the refusal is not reported), 0 for an invalid one. Poll
 * KARVO7IsReseted for the end of the reset (for example every 10 ms, giving up after 10 s),
 * then call KARVO7WarmUp; the card's settings, sibling-card identifications included, must be
 * sent again afterwards. */
KARVO7_API int KARVO7ResetCard(KARVO7HANDLE h);

/* 1 once the card has finished its reset; 0 while it has not, when the request fails, when no
 * request buffer can be had, or for an invalid handle. No error word; a driver error stays
 * with the driver. */
KARVO7_API int KARVO7IsReseted(KARVO7HANDLE h);

/* Brings a freshly reset card into its defined state: clears the driver's pending error word,
 * sends LCA reset, power up, (version-3 cards: selection of set 0), offset, and the warm-up
 * transmitter settings of set 0 (energy 1, input damping 1, everything else 0). Stops at the
 * first failure. Errors: KARVO7_ERR_NO_MEMORY, driver word. Up to ten round trips, no
 * pauses. */
KARVO7_API int KARVO7WarmUp(KARVO7HANDLE h, uint32_t* error);

/* Writes `blocks` (low 8 bits, so at most 255) blocks of 128 bytes of the firmware image to
 * the card and waits until the driver has taken them. image is required unless the block
 * count is 0 (a write of 0 bytes). Uses the transfer block. Errors: driver word. Blocks until
 * the driver completes the write. */
KARVO7_API int KARVO7LoadProm(KARVO7HANDLE h, uint32_t blocks, const void* image, uint32_t* error);

/* Sends one command block: `code` (bits 15-10 the command number, bits 9-0 the data word
 * count; KARVO7Protocol.h k7proto::cmd) and the first `count` words of `data` (required when
 * count is not 0). Errors: KARVO7_ERR_COMMAND_COUNT (count above 8, nothing sent),
 * KARVO7_ERR_NO_MEMORY, driver word (for example a command the firmware does not know). */
KARVO7_API int KARVO7Command(KARVO7HANDLE h, uint16_t code, uint8_t count, const uint32_t* data,
                             uint32_t* error);

/* The driver's transfer mode byte (the check program sends 1 for DMA, 0 without). Errors:
 * KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetMode(KARVO7HANDLE h, uint8_t mode, uint32_t* error);

/* Selects set `set` (low 8 bits), then gives it the sibling-card identification (its 16
 * bits; 0 switches the record layout of the set's data off). Stops when the selection fails.
 * Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetVIRMA4(KARVO7HANDLE h, uint32_t set, int16_t identification,
                               uint32_t* error);

/* Register access by number: the control LCA from 1024, the data LCA from 1536 (16 bits
 * each), the PCI bridge's operation registers at byte offsets 0x00-0x3C (32 bits); see
 * k7proto::reg. No error word: ReadRegister returns the value, and 0 when the request fails
 * or the handle is invalid (indistinguishable from a register holding 0); WriteRegister
 * returns 1 or 0. Read the register back to learn what the card holds. */
KARVO7_API uint32_t KARVO7ReadRegister(KARVO7HANDLE h, uint32_t address);
KARVO7_API int KARVO7WriteRegister(KARVO7HANDLE h, uint32_t address, uint32_t value);

/* The card's 256-byte PCI configuration space, read into or written from the caller's buffer
 * (required, 256 bytes). 1 on success, 0 on failure; no error word. */
KARVO7_API int KARVO7ReadConfigData(KARVO7HANDLE h, uint8_t* configuration256);
KARVO7_API int KARVO7WriteConfigData(KARVO7HANDLE h, const uint8_t* configuration256);

/* Reads of the PCI bridge EEPROM (layout: k7proto::eeprom), byte by byte and combined
 * little-endian: a byte, a 16-bit word (bytes a, a+1), a 32-bit word (a to a+3). Addresses
 * wrap at 65536. No error word: a byte whose read fails reads as 0, and the result is 0 for an
 * invalid handle. KARVO7ReadPCIEEPROM is KARVO7ReadPCIEEPROMword. One round trip per byte. */
KARVO7_API uint8_t KARVO7ReadPCIEEPROMbyte(KARVO7HANDLE h, uint32_t address);
KARVO7_API uint16_t KARVO7ReadPCIEEPROMword(KARVO7HANDLE h, uint32_t address);
KARVO7_API uint32_t KARVO7ReadPCIEEPROMdword(KARVO7HANDLE h, uint32_t address);
KARVO7_API uint16_t KARVO7ReadPCIEEPROM(KARVO7HANDLE h, uint32_t address);

/* Writes of the PCI bridge EEPROM: the low 8, 16 or 32 bits of `value`, low byte first, each
 * byte only after the one before was written. Returns 1 when the last byte was written, 0
 * when a byte write failed (bytes already written stay) or the handle is invalid; no error
 * word. Blocks 100 ms after every byte written, whatever its outcome: up to 100 ms, 200 ms
 * and 400 ms. Nothing is read back. KARVO7WritePCIEEPROM is KARVO7WritePCIEEPROMword. */
KARVO7_API int KARVO7WritePCIEEPROMbyte(KARVO7HANDLE h, uint32_t address, uint32_t value);
KARVO7_API int KARVO7WritePCIEEPROMword(KARVO7HANDLE h, uint32_t address, uint32_t value);
KARVO7_API int KARVO7WritePCIEEPROMdword(KARVO7HANDLE h, uint32_t address, uint32_t value);
KARVO7_API int KARVO7WritePCIEEPROM(KARVO7HANDLE h, uint32_t address, uint32_t value);

/* ---- parameter sets, gates and delays ---------------------------------------------------
 * The plain forms address set 0, the Param forms set `set` (low 8 bits). Where a form takes a
 * set, a version-3 card has the set selected first (one more command); on other cards the
 * measurement, transmitter and gain forms ignore the set, while the gate, delay and
 * identification forms select it on every card. The separate-argument forms take a record's
 * 32-bit slots in order and behave as the Pointer forms. Every form stops at the first failed
 * command; commands sent before it stay in effect. */

/* Measurement preparation: sampling rate, averaging, start mode, record window, A-scan form,
 * pulse repetition and trigger modes, and the depth-compensation table. The record is
 * validated before anything is sent; the first value out of range fails with, in this order:
 * KARVO7_ERR_SAMPLERATE (Samplerate > 7), _START (Start > 11), _AVERAGE (Average > 7), _IFF
 * (IFF > 0x3FFFFF), _AUSBLENDEN (> 15), _TRIGGEREINGANG (> 3), _TRIGGERAUSGANG (> 7),
 * _AUFNAHMELAENGE (0), _AUFNAHMEDELAY (> 0xFFFFF), with A-scan on _FAKTOR (0) and
 * _GLEICHRICHTUNG (> 3), with a table _TA_ABSTAND (spacing below the sampling rate's
 * minimum). Then KARVO7_ERR_NO_MEMORY or a driver word. A non-null TATabelle must hold
 * (low byte of TAStuetzstellen) + 1 values rounded up to an even count; the library sends that
 * many. On a card that is not a version-3 card, Start 2 or 3 puts the handle into the emulated
 * single-start mode, stopped (see KARVO7Start). */
KARVO7_API int KARVO7PrepMeasure(KARVO7HANDLE h, uint32_t IFF, uint32_t TAStuetzstellen,
                                 const uint16_t* TATabelle, uint32_t Bit8,
                                 uint32_t AverageSamplerateStart, uint32_t VorlaufLaenge,
                                 uint32_t Aufnahmedelay, uint32_t ASCAN,
                                 uint32_t FaktorGleichrichtung, uint32_t ExternerTrigger,
                                 uint32_t TriggerModes, uint32_t VerzoegerungAbstand,
                                 uint32_t* error);
KARVO7_API int KARVO7PrepMeasureParam(KARVO7HANDLE h, uint32_t set, uint32_t IFF,
                                      uint32_t TAStuetzstellen, const uint16_t* TATabelle,
                                      uint32_t Bit8, uint32_t AverageSamplerateStart,
                                      uint32_t VorlaufLaenge, uint32_t Aufnahmedelay,
                                      uint32_t ASCAN, uint32_t FaktorGleichrichtung,
                                      uint32_t ExternerTrigger, uint32_t TriggerModes,
                                      uint32_t VerzoegerungAbstand, uint32_t* error);
/* params is required. */
KARVO7_API int KARVO7PrepMeasurePointer(KARVO7HANDLE h, const MeasureParams* params,
                                        uint32_t* error);
KARVO7_API int KARVO7PrepMeasureParamPointer(KARVO7HANDLE h, uint32_t set,
                                             const MeasureParams* params, uint32_t* error);
/* As the Pointer forms, after replacing a non-null TATabelle of the caller's record with
 * `table` (the record is changed; it stays changed when the call fails). */
KARVO7_API int KARVO7PrepMeasureSSTPointer(KARVO7HANDLE h, MeasureParams* params,
                                           const uint16_t* table, uint32_t* error);
KARVO7_API int KARVO7PrepMeasureSSTParamPointer(KARVO7HANDLE h, uint32_t set, MeasureParams* params,
                                                const uint16_t* table, uint32_t* error);

/* Transmitter and receiver preparation: pulse width and energy with the transmitter lock,
 * damping steps and S/E, filter. Validated before anything is sent: KARVO7_ERR_IMPULSBREITE
 * (> 5), _SENDEENERGIE (> 7), _SENDERDAEMPFUNG (> 3), _EINGANGSDAEMPFUNG (> 3), _FILTER
 * (> 7); then KARVO7_ERR_NO_MEMORY or a driver word. Pointer forms: params is required. */
KARVO7_API int KARVO7PrepSpecial(KARVO7HANDLE h, uint32_t Sendersperre,
                                 uint32_t ImpulsbreiteEnergie, uint32_t SEMode,
                                 uint32_t Daempfungen, uint32_t* error);
KARVO7_API int KARVO7PrepSpecialParam(KARVO7HANDLE h, uint32_t set, uint32_t Sendersperre,
                                      uint32_t ImpulsbreiteEnergie, uint32_t SEMode,
                                      uint32_t Daempfungen, uint32_t* error);
KARVO7_API int KARVO7PrepSpecialPointer(KARVO7HANDLE h, const SpecialParams* params,
                                        uint32_t* error);
KARVO7_API int KARVO7PrepSpecialParamPointer(KARVO7HANDLE h, uint32_t set,
                                             const SpecialParams* params, uint32_t* error);

/* Gain in 0.1 dB (low 16 bits). Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetGain(KARVO7HANDLE h, uint32_t Verstaerkung, uint32_t* error);
KARVO7_API int KARVO7SetGainParam(KARVO7HANDLE h, uint32_t set, uint32_t Verstaerkung,
                                  uint32_t* error);

/* Gates B0 to B4 (each: set selection and one gate command), then their enables (set
 * selection and one command): twelve commands. Values are not validated; each travels as its
 * low 16 bits. Errors: KARVO7_ERR_NO_MEMORY, driver word. Pointer forms: gates is required. */
KARVO7_API int KARVO7PrepGates(KARVO7HANDLE h, uint32_t B0Anfang, uint32_t B0Ende,
                               uint32_t B0Schwelle, uint32_t B1Anfang, uint32_t B1Ende,
                               uint32_t B1Schwelle, uint32_t B2Anfang, uint32_t B2Ende,
                               uint32_t B2Schwelle, uint32_t B3Anfang, uint32_t B3Ende,
                               uint32_t B3Schwelle, uint32_t B4Anfang, uint32_t B4Ende,
                               uint32_t B4Schwelle, uint32_t B0Enable, uint32_t B1Enable,
                               uint32_t B2Enable, uint32_t B3Enable, uint32_t B4Enable,
                               uint32_t* error);
KARVO7_API int KARVO7PrepGatesParam(KARVO7HANDLE h, uint32_t set, uint32_t B0Anfang,
                                    uint32_t B0Ende, uint32_t B0Schwelle, uint32_t B1Anfang,
                                    uint32_t B1Ende, uint32_t B1Schwelle, uint32_t B2Anfang,
                                    uint32_t B2Ende, uint32_t B2Schwelle, uint32_t B3Anfang,
                                    uint32_t B3Ende, uint32_t B3Schwelle, uint32_t B4Anfang,
                                    uint32_t B4Ende, uint32_t B4Schwelle, uint32_t B0Enable,
                                    uint32_t B1Enable, uint32_t B2Enable, uint32_t B3Enable,
                                    uint32_t B4Enable, uint32_t* error);
KARVO7_API int KARVO7PrepGatesPointer(KARVO7HANDLE h, const GateParams* gates, uint32_t* error);
KARVO7_API int KARVO7PrepGatesParamPointer(KARVO7HANDLE h, uint32_t set, const GateParams* gates,
                                           uint32_t* error);

/* One measuring gate (number: low 8 bits; values: low 16 bits each), not validated. Errors:
 * KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetGate(KARVO7HANDLE h, uint32_t gate, uint32_t Anfang, uint32_t Ende,
                             uint32_t Schwelle, uint32_t* error);
KARVO7_API int KARVO7SetGateParam(KARVO7HANDLE h, uint32_t set, uint32_t gate, uint32_t Anfang,
                                  uint32_t Ende, uint32_t Schwelle, uint32_t* error);
/* The echo-start gate: level and time (low 16 bits), relative and always flags (non-zero is
 * set). Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetESGate(KARVO7HANDLE h, uint32_t level, uint32_t time, uint32_t relativ,
                               uint32_t always, uint32_t* error);
KARVO7_API int KARVO7SetESGateParam(KARVO7HANDLE h, uint32_t set, uint32_t level, uint32_t time,
                                    uint32_t relativ, uint32_t always, uint32_t* error);
/* Which of gates B0 to B4 evaluate (non-zero is on); enables is required. Errors:
 * KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7ActiveGate(KARVO7HANDLE h, const GateEnables* enables, uint32_t* error);
KARVO7_API int KARVO7ActiveGateParam(KARVO7HANDLE h, uint32_t set, const GateEnables* enables,
                                     uint32_t* error);

/* A whole set: measurement, transmitter and gain preparation in this order, with their
 * errors; the Gates forms then prepare the gates, on version-3 cards only (other cards hold
 * no gates of a set; the gate values are ignored). Stops at the first failure. The records
 * are passed by value; the table of `measure` is read as for KARVO7PrepMeasure. */
KARVO7_API int KARVO7PrepAll(KARVO7HANDLE h, MeasureParams measure, SpecialParams special,
                             uint32_t Verstaerkung, uint32_t* error);
KARVO7_API int KARVO7PrepAllParam(KARVO7HANDLE h, uint32_t set, MeasureParams measure,
                                  SpecialParams special, uint32_t Verstaerkung, uint32_t* error);
KARVO7_API int KARVO7PrepAllGates(KARVO7HANDLE h, MeasureParams measure, SpecialParams special,
                                  uint32_t Verstaerkung, GateParams gates, uint32_t* error);
KARVO7_API int KARVO7PrepAllGatesParam(KARVO7HANDLE h, uint32_t set, MeasureParams measure,
                                       SpecialParams special, uint32_t Verstaerkung,
                                       GateParams gates, uint32_t* error);

/* Trigger delay (bits 30-0), in the card's coarse unit or, with the 25ns forms, in its fine
 * unit (25 ns). Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetTriggerDelay(KARVO7HANDLE h, uint32_t delay, uint32_t* error);
KARVO7_API int KARVO7SetTriggerDelayParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                          uint32_t* error);
KARVO7_API int KARVO7SetTriggerDelay25ns(KARVO7HANDLE h, uint32_t delay, uint32_t* error);
KARVO7_API int KARVO7SetTriggerDelay25nsParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                              uint32_t* error);
/* SAP delay (low 16 bits). Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetSAPDelay(KARVO7HANDLE h, uint32_t delay, uint32_t* error);
KARVO7_API int KARVO7SetSAPDelayParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                      uint32_t* error);
/* Selects set `set` (low 8 bits) on the card: later commands address it. Errors:
 * KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetParam(KARVO7HANDLE h, uint32_t set, uint32_t* error);
/* Which of sets 0 to 7 take part in a measurement (non-zero is on). Errors:
 * KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7ActiveParam(KARVO7HANDLE h, uint32_t set0, uint32_t set1, uint32_t set2,
                                 uint32_t set3, uint32_t set4, uint32_t set5, uint32_t set6,
                                 uint32_t set7, uint32_t* error);
/* External sampling clock on (non-zero) or off. Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7SetExternalClock(KARVO7HANDLE h, uint32_t on, uint32_t* error);

/* ---- acquisition and results ------------------------------------------------------------
 * Emulated single-start mode: a card that is not a version-3 card, prepared with Start 2 or 3,
 * takes single shots: the handle keeps a started/stopped flag, KARVO7Start and KARVO7Stop only
 * toggle it, and every data read (KARVO7GetData, KARVO7StartGetData) first sends the start
 * command, so that each read takes one shot; a read while stopped fails with
 * KARVO7_ERR_STOPPED before anything is sent. */

/* Starts measurement (start command). Emulated single-start mode: marks the handle started;
 * KARVO7_ERR_ALREADY_STARTED when it is. Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7Start(KARVO7HANDLE h, uint32_t* error);
/* Version-3 cards: block start of set `set` (low 8 bits); other cards: the start command.
 * Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7StartParam(KARVO7HANDLE h, uint32_t set, uint32_t* error);
/* Version-3 cards: the stop command (KARVO7_ERR_NO_MEMORY, driver word). Other cards: marks
 * the emulated single-start mode stopped, sending nothing; KARVO7_ERR_STOPPED when it is
 * stopped already or the handle is not in that mode. */
KARVO7_API int KARVO7Stop(KARVO7HANDLE h, uint32_t* error);

/* Blocking read of the card's data: *count (required) bytes into buffer (required unless
 * *count is 0). On success *count is the bytes read, which may be fewer; after any failure
 * but an invalid handle or pointer it is 0. Errors: KARVO7_ERR_STOPPED (emulated
 * single-start mode, stopped), KARVO7_ERR_NO_MEMORY, driver word (for example when the data
 * time-out ended the read). Uses the transfer block; blocks until the driver completes the
 * read: at most the data time-out, forever when it is 0. */
KARVO7_API int KARVO7GetData(KARVO7HANDLE h, uint32_t* count, void* buffer, uint32_t* error);
/* Starts an asynchronous read of *count (required) bytes into buffer (required unless *count
 * is 0) and returns at once: 1 when the read completed at once (*count then holds the bytes)
 * or is pending. `event` (optional, K7OsCreateEvent) is signalled when the read ends, possibly
 * from another thread. The buffer, *count and the event must stay valid until the read has
 * ended and been collected with KARVO7IsReadyGetData(IntReturn) or cancelled; meanwhile no
 * other transfer may start on the card. Errors: KARVO7_ERR_STOPPED, KARVO7_ERR_NO_MEMORY,
 * driver word. */
KARVO7_API int KARVO7StartGetData(KARVO7HANDLE h, uint32_t* count, void* buffer, K7OsEvent* event,
                                  uint32_t* error);
/* Collects the asynchronous read without waiting. count is optional and receives the bytes
 * transferred so far. Returns 1 when the read has completed (error 0); 0 while it runs (error
 * 0) or when it failed: error = the driver's word, or when that is 0 the error number, for
 * example K7_ERROR_OPERATION_ABORTED after a cancel or K7_ERROR_SEM_TIMEOUT. */
KARVO7_API int KARVO7IsReadyGetData(KARVO7HANDLE h, uint32_t* count, uint32_t* error);
/* As KARVO7IsReadyGetData, as one integer: 0 ready, -3 not ready, -2 failed (error as above),
 * -1 invalid handle. */
KARVO7_API int KARVO7IsReadyGetDataIntReturn(KARVO7HANDLE h, uint32_t* count, uint32_t* error);
/* Cancels the card's outstanding transfer; it then reports failure to the readiness queries.
 * Returns 1 when the cancel was accepted. The error word is the driver's word after the
 * cancel, also on success (normally 0). Does not wait. */
KARVO7_API int KARVO7CancelGetData(KARVO7HANDLE h, uint32_t* error);

/* Asks the card for results (selector, low 16 bits) or the A-scan of set `set` (low 8 bits).
 * With a buffer and a non-zero *count the data is read at once, as by KARVO7GetData without
 * the start command (blocks up to the data time-out; *count becomes the bytes read).
 * Otherwise (count or buffer NULL, or *count 0) only the command is sent, *count (if given)
 * becomes 0, and the data is fetched later with KARVO7GetData or KARVO7StartGetData. Errors:
 * KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7GetResults(KARVO7HANDLE h, uint16_t selector, uint32_t* count, void* buffer,
                                uint32_t* error);
KARVO7_API int KARVO7GetASCAN(KARVO7HANDLE h, uint32_t set, uint32_t* count, void* buffer,
                              uint32_t* error);
/* Gate values of the last shot, decoded (results required). Asks for six 32-bit words and
 * reads them (blocks up to the data time-out); the record is written only on success, words
 * the card does not deliver decode as 0. Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7GetGates(KARVO7HANDLE h, GateResults* results, uint32_t* error);
/* The raw echo-start gate word of the last shot (word required), read as KARVO7GetGates. */
KARVO7_API int KARVO7GetESGate(KARVO7HANDLE h, uint32_t* word, uint32_t* error);
/* Empties the card's data FIFO. Errors: KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7ClearFIFO(KARVO7HANDLE h, uint32_t* error);
/* *flag (required) = 1 while the card holds data to read, else 0 (also on failure). Errors:
 * KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7IsDataInFIFO(KARVO7HANDLE h, uint32_t* flag, uint32_t* error);
/* The driver's card status into *status (required); Modus reads 2 in the emulated
 * single-start mode. 1 / 0, no error word: a failed request fetches and so clears the
 * driver's error word without passing it on. */
KARVO7_API int KARVO7GetStatus(KARVO7HANDLE h, CardStatus* status);
/* *status (required) = the driver's error word for the card, which reading clears; unchanged
 * when the request fails. 1 / 0, no error word. */
KARVO7_API int KARVO7GetSimpleStatus(KARVO7HANDLE h, uint32_t* status);

/* ---- configuration record and sensors --------------------------------------------------- */

/* Reads the stored configuration record into *record (required). Fields the stored record
 * holds are replaced: texts and lists up to their stored count, a shorter text followed by a
 * zero character, a list cleared behind its elements; a text stored with count 0 becomes the
 * empty text. Fields without an entry, and lists stored with count 0, keep what the record
 * held. The CRC is not checked. Errors: KARVO7_ERR_KONFIG_TYPE (an entry of an unknown type;
 * fields before it are filled), KARVO7_ERR_NO_MEMORY, driver word. Two round trips. */
KARVO7_API int KARVO7GetKonfig(KARVO7HANDLE h, KonfigRecord* record, uint32_t* error);
/* Writes *record (required) into the bridge EEPROM from address 0x84 on, byte by byte, reading
 * each byte back, then the length word at 0x80. Error on the first byte that reads back
 * differently: (address << 16) | (byte written << 8) | byte read; the write stops there and
 * the old length word stays, so the stored record is inconsistent until a write succeeds.
 * Also KARVO7_ERR_NO_MEMORY. Blocks 100 ms per byte written, the length word included: about
 * 9.3 s for an empty record, about 32 s for a full one (317 bytes). */
KARVO7_API int KARVO7PutKonfig(KARVO7HANDLE h, const KonfigRecord* record, uint32_t* error);
/* Temperature and supply voltages into *values (required): asks the card for its monitor
 * readings and reads them (12 bytes; blocks up to the data time-out). Errors:
 * KARVO7_ERR_NO_MEMORY, driver word. */
KARVO7_API int KARVO7GetADC(KARVO7HANDLE h, ADCValues* values, uint32_t* error);

#ifdef __cplusplus
}
#endif

#endif /* KARVO7DLL_H */
