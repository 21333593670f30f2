// The measurement parameter editor "Anzeige Meßparameter": edits one parameter set of one card
// in place. It shows every field in physical terms (radio rows for coded values, times in
// Samples, µs or mm, the gain in dB), converts the entries back to the set's coded fields on
// "Shot" and "OK", and tells its caller whether a shot is to follow. The set changes only on
// "Shot", "OK" and "Laden".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "card/ParameterSet.h"
#include "card/Units.h"
#include "desktop/Desktop.h"
#include "desktop/Dialog.h"

namespace k7check {

class AnzeigeVorgabenDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "AnzeigeVorgabenDlg";
    static constexpr const char* kTitle = "Anzeige Meßparameter";
    // The result of "Shot": the caller takes a single measurement with the stored set.
    static constexpr int kIdShot = 3;

    AnzeigeVorgabenDlg(Desktop& desktop, KARVO7HANDLE card, ParameterSet& set);

    bool onInit() override;
    void onOk() override;  // stores, closes with kIdOk
    void onCancel() override;
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;

    // ---- the controls' fields ---------------------------------------------------------------
    // The plain fields of the set (those the field table binds as they are), as entered.
    ParameterSet entries;
    // The derived fields, each converted from and to the set by a function of its own.
    int pulse = 0;                  // "65 ns" ... "1680 ns"
    int energie = 0;                // "Energie 1" ... "Energie 4"
    units::FloatEdit verstaerkung;  // dB
    int rate = 0;                   // "80 (5.00) MHz" ... "160 MHz (virtuell)"
    bool takt16 = false;
    int messung = 0;  // "keine Messung", "Einzelmessung"; -1 neither
    bool blendenmessung = false;
    int64_t ascan = 0;
    int gleichrichtung = 0;  // "HF", "positiv", "negativ", "Voll"
    int eingang = 0;         // "Master", "Einzel"
    bool eingangLow = false;
    int ausgang = 0;  // "Master Start", "Master Stop", "Einzel SAP", "Ready"
    bool ausgangLow = false;
    bool trigger25ns = false;
    units::FloatEdit esbDelay;  // the echo-start delay register, shown only
    units::FloatEdit esbTime;
    int64_t esbLevel = 0;
    units::FloatEdit vorlauf;
    units::FloatEdit aufnahme;
    units::FloatEdit recordDelay;
    units::FloatEdit taDelay;
    units::FloatEdit taAbstand;
    int64_t stuetzstellen = 1;
    bool taEnable = false;
    std::string taDatei;
    int unit = static_cast<int>(units::Unit::Samples);
    units::FloatEdit schall;  // sound velocity, m/s

    // The unit the time fields are shown in, and the factors in use.
    units::Unit shownUnit() const { return unit_; }
    units::Timing clockTiming() const { return clock_; }

  private:
    struct Scaled {
        units::FloatEdit* edit;
        const char* label;
        bool clock;        // counted in clock periods, else in samples
        bool grid;         // rounded to the grid, else to the nearest count
        int64_t minCount;  // the counts the set's field holds
        int64_t maxCount;
    };
    // The refusal of a scaled field, its range shown in the current unit.
    std::string refusalOf(const Scaled& field) const;
    std::vector<Scaled> scaledFields();
    // Reads the controls; false (after a message naming the field) when an edit held no number.
    bool readControls();
    // Shown values back to counts, rounded; false (after a message) when one does not convert.
    bool toCounts();
    // Counts rounded as converting back rounds them, without dividing.
    bool roundCounts();
    // Rounds the count `countOf` gives for every scaled field to its grid and stores them all,
    // or refuses naming the first field that does not fit and changes none.
    bool setRoundedCounts(const std::function<float(const Scaled&)>& countOf);
    void toShownUnit();
    void selectUnit(units::Unit unit);
    void selectRate(units::RateChoice choice);
    // The derived fields in counts, each checked to fit its set field.
    struct Counts {
        int64_t pkVorlauf = 0;
        int64_t aufnahmelaenge = 0;
        int64_t aufnahmedelay = 0;
        int64_t esbTime = 0;
        int64_t taVerzoegerung = 0;
        int64_t taAbstand = 0;
        int64_t verstaerkung = 0;
    };
    bool store();
    // Every entry checked, converted and fitted to its set field; nothing stored. Refuses
    // (after a message naming the field) and gives nothing when one does not fit.
    std::optional<Counts> validatedCounts();
    // Storing: the plain fields as the table lists them, then each derived group.
    void storePlain();
    void storeRate();
    void storeStart();
    void storeCodedRows();
    void storeScaled(const Counts& counts);
    void storeDepthCompensation(const Counts& counts);
    // Loading, the same groups.
    void loadRate();
    void loadStart(bool version3);
    void loadCodedRows();
    void loadScaled(bool version3);
    void loadDepthCompensation();
    void load();
    void show();
    void laden();
    void anzeigen();
    bool refuse(const std::string& text);

    Desktop& desktop_;
    KARVO7HANDLE card_;
    ParameterSet& set_;
    units::Unit unit_ = units::Unit::Samples;
    float factor_ = 1.0f;                            // u
    float velocity_ = units::kDefaultSoundVelocity;  // in use for mm
    units::Timing sample_;                           // p and g of the rate radio
    units::Timing clock_;                            // period of the effective sampling rate
    units::RateChoice choice_;
};

}  // namespace k7check
