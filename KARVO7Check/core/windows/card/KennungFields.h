// What the windows "Kennung" and "Kennung Vorgaben" share: the edits of an identification
// record, their labels, reading a card's record and the reference file's name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "KARVO7DLL.h"
#include "card/KennungCheck.h"
#include "card/KennungFile.h"
#include "fields/FieldBinder.h"

namespace k7check {

class Desktop;
class Dialog;
class Session;

// The edits both windows share, one per field of the record. The band limits and lists are
// kept as typed, so that an entry the record cannot hold as typed is refused by name.
struct KennungFields {
    KennungEdits edits;
    std::string bandgrenzeUnten;
    std::string bandgrenzeOben;

    void show(const KonfigRecord& record, KennungWindow window);
    void bind(FieldBinder& binder);
    // The message naming the first band limit or list the record cannot hold as typed (not a
    // number, more elements than the list has, an element beyond its type); nothing when the
    // record holds them all.
    std::optional<std::string> refusal() const;
    // The record the edits describe (after `refusal` found nothing).
    KonfigRecord record() const;
};

// The window label of an edit control of the shared block ("adcEdit" -> "ADC").
std::string kennungLabelOf(const std::string& control);

// The file the section "Kennung", key "Filename" of the parameter file names (" " without one).
std::string kennungFileName(Session& session);
// That file as it is opened: a relative name taken from the parameter file's folder.
std::string kennungFilePath(Session& session);

// Takes a window's fields, all or nothing; a refused entry is named under `caption`, the fields
// keep what they held and false says nothing may be written.
bool takeKennungFields(Desktop& desktop, const char* caption, Dialog& window,
                       KennungFields& fields);

}  // namespace k7check
