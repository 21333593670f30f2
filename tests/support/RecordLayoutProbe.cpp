// The layout of the records the C interfaces share with their callers, as this compiler lays
// them out: "Record size" and "Record.Field offset size" a line. The Python package declares the
// same records for ctypes; its agreement test compares the two field by field.
#include <cstddef>
#include <iostream>

#include "KARVO7Acquire.h"
#include "KARVO7DLL.h"
#include "KARVO7Ops.h"

#define K7_RECORD(type) std::cout << #type << " " << sizeof(type) << "\n"
#define K7_FIELD(type, field) \
    std::cout << #type "." #field " " << offsetof(type, field) << " " << sizeof(type::field) << "\n"

int main() {
    K7_RECORD(MeasureParams);
    K7_FIELD(MeasureParams, IFF);
    K7_FIELD(MeasureParams, TAStuetzstellen);
    K7_FIELD(MeasureParams, TATabelle);
    K7_FIELD(MeasureParams, Bit8);
    K7_FIELD(MeasureParams, Average);
    K7_FIELD(MeasureParams, Samplerate);
    K7_FIELD(MeasureParams, Start);
    K7_FIELD(MeasureParams, Reserved4);
    K7_FIELD(MeasureParams, PKVorlauf);
    K7_FIELD(MeasureParams, Aufnahmelaenge);
    K7_FIELD(MeasureParams, Aufnahmedelay);
    K7_FIELD(MeasureParams, ASCAN);
    K7_FIELD(MeasureParams, Faktor);
    K7_FIELD(MeasureParams, Gleichrichtung);
    K7_FIELD(MeasureParams, Reserved8);
    K7_FIELD(MeasureParams, ExternerTrigger);
    K7_FIELD(MeasureParams, Triggereingangsmode);
    K7_FIELD(MeasureParams, Triggerausgangsmode);
    K7_FIELD(MeasureParams, Ausblenden);
    K7_FIELD(MeasureParams, Reserved10);
    K7_FIELD(MeasureParams, TAVerzoegerung);
    K7_FIELD(MeasureParams, TAAbstand);

    K7_RECORD(SpecialParams);
    K7_FIELD(SpecialParams, Sendersperre);
    K7_FIELD(SpecialParams, Sendeimpulsbreite);
    K7_FIELD(SpecialParams, Sendeenergie);
    K7_FIELD(SpecialParams, Reserved1);
    K7_FIELD(SpecialParams, SEMode);
    K7_FIELD(SpecialParams, Senderdaempfung);
    K7_FIELD(SpecialParams, Eingangsdaempfung);
    K7_FIELD(SpecialParams, Filter);
    K7_FIELD(SpecialParams, Reserved3);

    K7_RECORD(GateParam);
    K7_FIELD(GateParam, Anfang);
    K7_FIELD(GateParam, Ende);
    K7_FIELD(GateParam, Schwelle);
    K7_RECORD(GateEnables);
    K7_FIELD(GateEnables, Enable);
    K7_RECORD(GateParams);
    K7_FIELD(GateParams, Gate);
    K7_FIELD(GateParams, Enables);

    K7_RECORD(GateResult);
    K7_FIELD(GateResult, Time);
    K7_FIELD(GateResult, Maximum);
    K7_FIELD(GateResult, Marke);
    K7_RECORD(GateResults);
    K7_FIELD(GateResults, ESDelay);
    K7_FIELD(GateResults, ESMaximum);
    K7_FIELD(GateResults, Gate);

    K7_RECORD(CardStatus);
    K7_FIELD(CardStatus, Status);
    K7_FIELD(CardStatus, Status4);
    K7_FIELD(CardStatus, Modus);
    K7_FIELD(CardStatus, Status8);

    K7_RECORD(KonfigRecord);
    K7_FIELD(KonfigRecord, Karte);
    K7_FIELD(KonfigRecord, Aufsteckfilter);
    K7_FIELD(KonfigRecord, PciEeprom);
    K7_FIELD(KonfigRecord, LcaVersion);
    K7_FIELD(KonfigRecord, Programmversion);
    K7_FIELD(KonfigRecord, BandgrenzeUnten);
    K7_FIELD(KonfigRecord, BandgrenzeOben);
    K7_FIELD(KonfigRecord, AdcBits);
    K7_FIELD(KonfigRecord, AufnahmeFifo);
    K7_FIELD(KonfigRecord, DatenFifo);
    K7_FIELD(KonfigRecord, Dynamik);
    K7_FIELD(KonfigRecord, DaempfungEingang);
    K7_FIELD(KonfigRecord, DaempfungSender);
    K7_FIELD(KonfigRecord, EnergieSender);
    K7_FIELD(KonfigRecord, Samplerrate);
    K7_FIELD(KonfigRecord, MaxSapFolge);
    K7_FIELD(KonfigRecord, FilterMittenfrequenz);
    K7_FIELD(KonfigRecord, FilterBandgrenze);
    K7_FIELD(KonfigRecord, Grunddaempfung);

    K7_RECORD(ADCValues);
    K7_FIELD(ADCValues, Temperatur);
    K7_FIELD(ADCValues, Analog5VPlus);
    K7_FIELD(ADCValues, Analog5VMinus);
    K7_FIELD(ADCValues, HS);
    K7_FIELD(ADCValues, Digital5VMinus);
    K7_FIELD(ADCValues, ADCReferenz);

    K7_RECORD(K7AcqSettings);
    K7_FIELD(K7AcqSettings, shotBytes);
    K7_FIELD(K7AcqSettings, shotsPerSecond);
    K7_FIELD(K7AcqSettings, bufferMs);
    K7_FIELD(K7AcqSettings, maxBufferBytes);
    K7_FIELD(K7AcqSettings, resultsEvery);
    K7_FIELD(K7AcqSettings, resultsBytes);
    K7_FIELD(K7AcqSettings, startSet);
    K7_FIELD(K7AcqSettings, realTime);
    K7_FIELD(K7AcqSettings, shotCount);
    K7_RECORD(K7AcqCycleSettings);
    K7_FIELD(K7AcqCycleSettings, resultsEveryMs);
    K7_FIELD(K7AcqCycleSettings, ascanSet);
    K7_FIELD(K7AcqCycleSettings, ascanEvery);
    K7_FIELD(K7AcqCycleSettings, ascanBytes);
    K7_FIELD(K7AcqCycleSettings, recordLayout);
    K7_FIELD(K7AcqCycleSettings, reserved);
    K7_RECORD(K7AcqItem);
    K7_FIELD(K7AcqItem, kind);
    K7_FIELD(K7AcqItem, bytes);
    K7_FIELD(K7AcqItem, offset);
    K7_FIELD(K7AcqItem, value);
    K7_RECORD(K7AcqStatistics);
    K7_FIELD(K7AcqStatistics, shotsRead);
    K7_FIELD(K7AcqStatistics, shotsLost);
    K7_FIELD(K7AcqStatistics, overflowEvents);
    K7_FIELD(K7AcqStatistics, shotsDropped);
    K7_FIELD(K7AcqStatistics, bytesRead);
    K7_FIELD(K7AcqStatistics, ringBytes);
    K7_FIELD(K7AcqStatistics, realTime);
    K7_FIELD(K7AcqStatistics, ended);
    K7_FIELD(K7AcqStatistics, error);
    K7_FIELD(K7AcqStatistics, reserved);

    K7_RECORD(K7OpsVerdict);
    K7_FIELD(K7OpsVerdict, item);
    K7_FIELD(K7OpsVerdict, passed);
    K7_FIELD(K7OpsVerdict, name);
    K7_FIELD(K7OpsVerdict, text);
    return 0;
}
