/*
 * KARVO7DLL.h - the card access library of the KARVO7 ultrasonic test cards.
 *
 * Every function returns an integer; every fallible one takes as its last argument a pointer
 * to an unsigned 32-bit error word that receives 0 on success and otherwise a library code
 * (KARVO7_ERR_...), the driver's error word, or, for the readiness queries only, an operating
 * system error number (KARVO7Os.h). A call given a null or foreign card handle fails with
 * error 0 and leaves K7_ERROR_INVALID_HANDLE as the thread's last error.
 *
 * Calls on different card handles may run on different threads; calls on one handle must be
 * serialised by the caller.
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

/* The card handle: allocated by KARVO7Open, released by KARVO7Close. */
typedef struct KARVO7Card KARVO7Card;
typedef KARVO7Card* KARVO7HANDLE;

/* ---- discovery and handles -------------------------------------------------------------- */
KARVO7_API int KARVO7Scan(void);
KARVO7_API KARVO7HANDLE KARVO7Open(uint32_t card);
KARVO7_API int KARVO7Close(KARVO7HANDLE h);
KARVO7_API int KARVO7GetCardPosition(KARVO7HANDLE h, uint32_t* bus, uint32_t* slot,
                                     uint32_t* error);
KARVO7_API int KARVO7IsVersion3(KARVO7HANDLE h);
KARVO7_API int KARVO7SetDataTimeOut(KARVO7HANDLE h, uint32_t seconds, uint32_t* error);

/* ---- card control and low-level access ------------------------------------------------- */
KARVO7_API int KARVO7ResetCard(KARVO7HANDLE h);
KARVO7_API int KARVO7IsReseted(KARVO7HANDLE h);
KARVO7_API int KARVO7WarmUp(KARVO7HANDLE h, uint32_t* error);
KARVO7_API int KARVO7LoadProm(KARVO7HANDLE h, uint32_t blocks, const void* image, uint32_t* error);
KARVO7_API int KARVO7Command(KARVO7HANDLE h, uint16_t code, uint8_t count, const uint32_t* data,
                             uint32_t* error);
KARVO7_API int KARVO7SetMode(KARVO7HANDLE h, uint8_t mode, uint32_t* error);
KARVO7_API int KARVO7SetVIRMA4(KARVO7HANDLE h, uint32_t set, int16_t identification,
                               uint32_t* error);
KARVO7_API uint32_t KARVO7ReadRegister(KARVO7HANDLE h, uint32_t address);
KARVO7_API int KARVO7WriteRegister(KARVO7HANDLE h, uint32_t address, uint32_t value);
KARVO7_API int KARVO7ReadConfigData(KARVO7HANDLE h, uint8_t* configuration256);
KARVO7_API int KARVO7WriteConfigData(KARVO7HANDLE h, const uint8_t* configuration256);
KARVO7_API uint8_t KARVO7ReadPCIEEPROMbyte(KARVO7HANDLE h, uint32_t address);
KARVO7_API uint16_t KARVO7ReadPCIEEPROMword(KARVO7HANDLE h, uint32_t address);
KARVO7_API uint32_t KARVO7ReadPCIEEPROMdword(KARVO7HANDLE h, uint32_t address);
KARVO7_API uint16_t KARVO7ReadPCIEEPROM(KARVO7HANDLE h, uint32_t address);
KARVO7_API int KARVO7WritePCIEEPROMbyte(KARVO7HANDLE h, uint32_t address, uint32_t value);
KARVO7_API int KARVO7WritePCIEEPROMword(KARVO7HANDLE h, uint32_t address, uint32_t value);
KARVO7_API int KARVO7WritePCIEEPROMdword(KARVO7HANDLE h, uint32_t address, uint32_t value);
KARVO7_API int KARVO7WritePCIEEPROM(KARVO7HANDLE h, uint32_t address, uint32_t value);

/* ---- parameter sets, gates and delays --------------------------------------------------- */
/* Separate-argument forms take the slots of MeasureParams in order, slot 2 as a pointer. */
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
KARVO7_API int KARVO7PrepMeasurePointer(KARVO7HANDLE h, const MeasureParams* params,
                                        uint32_t* error);
KARVO7_API int KARVO7PrepMeasureParamPointer(KARVO7HANDLE h, uint32_t set,
                                             const MeasureParams* params, uint32_t* error);
/* The SST forms first replace a non-null TATabelle of the caller's record with `table`. */
KARVO7_API int KARVO7PrepMeasureSSTPointer(KARVO7HANDLE h, MeasureParams* params,
                                           const uint16_t* table, uint32_t* error);
KARVO7_API int KARVO7PrepMeasureSSTParamPointer(KARVO7HANDLE h, uint32_t set, MeasureParams* params,
                                                const uint16_t* table, uint32_t* error);

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

KARVO7_API int KARVO7SetGain(KARVO7HANDLE h, uint32_t Verstaerkung, uint32_t* error);
KARVO7_API int KARVO7SetGainParam(KARVO7HANDLE h, uint32_t set, uint32_t Verstaerkung,
                                  uint32_t* error);

/* Separate-argument forms take the twenty slots of GateParams in order. */
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

KARVO7_API int KARVO7SetGate(KARVO7HANDLE h, uint32_t gate, uint32_t Anfang, uint32_t Ende,
                             uint32_t Schwelle, uint32_t* error);
KARVO7_API int KARVO7SetGateParam(KARVO7HANDLE h, uint32_t set, uint32_t gate, uint32_t Anfang,
                                  uint32_t Ende, uint32_t Schwelle, uint32_t* error);
KARVO7_API int KARVO7SetESGate(KARVO7HANDLE h, uint32_t level, uint32_t time, uint32_t relativ,
                               uint32_t always, uint32_t* error);
KARVO7_API int KARVO7SetESGateParam(KARVO7HANDLE h, uint32_t set, uint32_t level, uint32_t time,
                                    uint32_t relativ, uint32_t always, uint32_t* error);
KARVO7_API int KARVO7ActiveGate(KARVO7HANDLE h, const GateEnables* enables, uint32_t* error);
KARVO7_API int KARVO7ActiveGateParam(KARVO7HANDLE h, uint32_t set, const GateEnables* enables,
                                     uint32_t* error);

KARVO7_API int KARVO7PrepAll(KARVO7HANDLE h, MeasureParams measure, SpecialParams special,
                             uint32_t Verstaerkung, uint32_t* error);
KARVO7_API int KARVO7PrepAllParam(KARVO7HANDLE h, uint32_t set, MeasureParams measure,
                                  SpecialParams special, uint32_t Verstaerkung, uint32_t* error);
KARVO7_API int KARVO7PrepAllGates(KARVO7HANDLE h, MeasureParams measure, SpecialParams special,
                                  uint32_t Verstaerkung, GateParams gates, uint32_t* error);
KARVO7_API int KARVO7PrepAllGatesParam(KARVO7HANDLE h, uint32_t set, MeasureParams measure,
                                       SpecialParams special, uint32_t Verstaerkung,
                                       GateParams gates, uint32_t* error);

KARVO7_API int KARVO7SetTriggerDelay(KARVO7HANDLE h, uint32_t delay, uint32_t* error);
KARVO7_API int KARVO7SetTriggerDelayParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                          uint32_t* error);
KARVO7_API int KARVO7SetTriggerDelay25ns(KARVO7HANDLE h, uint32_t delay, uint32_t* error);
KARVO7_API int KARVO7SetTriggerDelay25nsParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                              uint32_t* error);
KARVO7_API int KARVO7SetSAPDelay(KARVO7HANDLE h, uint32_t delay, uint32_t* error);
KARVO7_API int KARVO7SetSAPDelayParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                      uint32_t* error);
KARVO7_API int KARVO7SetParam(KARVO7HANDLE h, uint32_t set, uint32_t* error);
KARVO7_API int KARVO7ActiveParam(KARVO7HANDLE h, uint32_t set0, uint32_t set1, uint32_t set2,
                                 uint32_t set3, uint32_t set4, uint32_t set5, uint32_t set6,
                                 uint32_t set7, uint32_t* error);
KARVO7_API int KARVO7SetExternalClock(KARVO7HANDLE h, uint32_t on, uint32_t* error);

/* ---- acquisition and results ------------------------------------------------------------ */
KARVO7_API int KARVO7Start(KARVO7HANDLE h, uint32_t* error);
KARVO7_API int KARVO7StartParam(KARVO7HANDLE h, uint32_t set, uint32_t* error);
KARVO7_API int KARVO7Stop(KARVO7HANDLE h, uint32_t* error);
KARVO7_API int KARVO7GetData(KARVO7HANDLE h, uint32_t* count, void* buffer, uint32_t* error);
/* The buffer and *count must stay valid until the read has completed or been cancelled. */
KARVO7_API int KARVO7StartGetData(KARVO7HANDLE h, uint32_t* count, void* buffer, K7OsEvent* event,
                                  uint32_t* error);
KARVO7_API int KARVO7IsReadyGetData(KARVO7HANDLE h, uint32_t* count, uint32_t* error);
/* 0 ready, -3 not ready, -2 failed, -1 invalid handle. */
KARVO7_API int KARVO7IsReadyGetDataIntReturn(KARVO7HANDLE h, uint32_t* count, uint32_t* error);
KARVO7_API int KARVO7CancelGetData(KARVO7HANDLE h, uint32_t* error);
KARVO7_API int KARVO7GetResults(KARVO7HANDLE h, uint16_t selector, uint32_t* count, void* buffer,
                                uint32_t* error);
KARVO7_API int KARVO7GetASCAN(KARVO7HANDLE h, uint32_t set, uint32_t* count, void* buffer,
                              uint32_t* error);
KARVO7_API int KARVO7GetGates(KARVO7HANDLE h, GateResults* results, uint32_t* error);
KARVO7_API int KARVO7GetESGate(KARVO7HANDLE h, uint32_t* word, uint32_t* error);
KARVO7_API int KARVO7ClearFIFO(KARVO7HANDLE h, uint32_t* error);
KARVO7_API int KARVO7IsDataInFIFO(KARVO7HANDLE h, uint32_t* flag, uint32_t* error);
KARVO7_API int KARVO7GetStatus(KARVO7HANDLE h, CardStatus* status);
KARVO7_API int KARVO7GetSimpleStatus(KARVO7HANDLE h, uint32_t* status);

/* ---- configuration record and sensors --------------------------------------------------- */
KARVO7_API int KARVO7GetKonfig(KARVO7HANDLE h, KonfigRecord* record, uint32_t* error);
KARVO7_API int KARVO7PutKonfig(KARVO7HANDLE h, const KonfigRecord* record, uint32_t* error);
KARVO7_API int KARVO7GetADC(KARVO7HANDLE h, ADCValues* values, uint32_t* error);

#ifdef __cplusplus
}
#endif

#endif /* KARVO7DLL_H */
