#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gamma/BgrColor.h"
#include "gamma/DisplayGamma.h"
#include "gamma/FightLimit.h"
#include "gamma/GammaJournal.h"
#include "gamma/GammaRamp.h"

// The display-ramp state of the main window, kept per output: the ramp remembered at start (or
// at the last switch to normal mode), the ramp the output had before the tool first wrote to it,
// and the ramp last written. Every adjusted ramp is derived from an output's remembered ramp, so
// adjustments never accumulate. Outputs that come, go or change mode, and a resume, are brought
// back to what the last operation asked for.
class GammaEngine {
  public:
    using OutputId = DisplayGamma::OutputId;

    struct OutputState {
        DisplayGamma::Output output;
        GammaRamp savedRamp;    // the remembered ramp; tints are built on it
        GammaRamp base;         // restored in normal mode and at exit
        GammaRamp lastWritten;  // tells the tool's own tint from the display's ramp
        // What the display gave back after the tool's last write (displays round: an X server
        // that keeps 8 bits an entry, a driver): what the screen really shows of lastWritten.
        GammaRamp shown;
        bool lastTints = false;   // lastWritten is base with channel offsets (or base itself)
        bool readBack = true;     // cleared once a read-back showed the display keeps ramps whole
        bool remembered = false;  // savedRamp holds a successful read
        bool written = false;     // lastWritten holds what the tool put there
        // Another program kept changing the table: it is left to that program until the next
        // request.
        bool leftAlone = false;
        FightLimit fights;
    };

    // What the lit outputs are asked to show, in the engine's own terms.
    struct Request {
        enum class Kind { Nothing, Tint, Base, Saved };
        Kind kind = Kind::Nothing;
        int red = 0;
        int green = 0;
        int blue = 0;

        // SetGamma's ramp: three channel offsets over the remembered ramp.
        static Request tint(int red, int green, int blue);
        // The tint a switch to night mode applies for the colour 0x00BBGGRR.
        static Request night(BgrColor colr);
        // SetDefault's ramp: every output's base.
        static Request base();
        friend bool operator==(const Request&, const Request&) = default;
    };

    // `journal` may be null: no crash journal is kept then.
    explicit GammaEngine(DisplayGamma& display, JournalStore* journal = nullptr);
    ~GammaEngine();
    GammaEngine(const GammaEngine&) = delete;
    GammaEngine& operator=(const GammaEngine&) = delete;

    void SetGamma(int intRed, int intGreen, int intBlue);
    void SetDefault();
    // Between hold() and release(), SetGamma, SetDefault and SaveGamma only take note: a run of
    // them (a burst of commands) reaches the display and the journal once, where it ends. Any
    // other operation does what was noted first, so what each output shows keeps the order it
    // was asked in.
    void hold();
    void release();
    void SaveGamma();
    void RestoreGamma();
    // Writes on every lit output the ramp `t` (0..1) of the way from what that output was asked
    // to show before a row of SetBlend calls began to what `to` asks for, entry by entry with rne.
    // Any other operation ends the row; t = 1 writes exactly what `to` would.
    void SetBlend(const Request& to, double t);

    // Writes every lit output's current ramp again (after a resume the tables may be reset).
    void reapply();
    // The system may have put the displays' own ramps back (a display woken, a session unlocked):
    // every lit output showing a tint is read back and written again only where its table no
    // longer holds the tool's last ramp, beyond the display's rounding. Silent: no program is
    // to blame.
    void restoreAfterReset();
    // The outputs changed: adopt new ones, bring lit ones to the current state.
    void outputsChanged();
    // At unload, once every output has its base back: nothing is left for a later run to undo.
    void closeJournal();

    // Outputs shown on their base for now, by name, because the active window asks for it (full
    // screen, a listed application). Not the user's choice, unlike untinted outputs: nothing is
    // stored and the Monitors menu does not change; the journal records the base they show. A lit
    // output whose pause changes takes its ramp at once, with no fade (a fade elsewhere goes on),
    // except that one entering the pause whose table another program changed keeps that table.
    void setPaused(std::set<std::string> names);
    const std::set<std::string>& paused() const { return paused_; }

    // Reads back every lit output that shows a tint and writes it again where another program
    // changed its table since the tool's own write, saying so once per output. An output changed
    // three times within ten seconds is left to that program until the next mode or colour
    // change (said once too). `nowMs` times the changes. Nothing is written where nothing changed.
    void putBack(std::int64_t nowMs);

    // One lit output as the Monitors menu lists it: checked while tinted.
    struct LitOutput {
        OutputId id = 0;
        std::string name;
        bool tinted = true;
        friend bool operator==(const LitOutput&, const LitOutput&) = default;
    };

    // Outputs kept on their base ramp in every mode, by the names the system gives them. Names of
    // outputs that are not there are kept as well, so a monitor plugged in later under such a
    // name stays untinted. A lit output whose choice changes takes its ramp at once: its base, or
    // the current state (tint, base, saved ramp) when it is checked again.
    void setUntinted(std::set<std::string> names);
    void setTinted(const std::string& name, bool tinted);
    bool tinted(const std::string& name) const { return !untinted_.contains(name); }
    const std::set<std::string>& untinted() const { return untinted_; }
    // The lit outputs in the display's order (X11 and Mutter: CRTC order; Wayland: as announced).
    std::vector<LitOutput> litOutputs() const;
    // Called after the lit outputs, their names or the untinted names changed; not on mere writes.
    std::function<void()> onMonitorsChanged;
    // Says what the user should know about a crash journal passed over (a clause, English); by
    // default one "dimwarden: " line on stderr.
    std::function<void(const std::string&)> tell;

    // True once any output has taken a ramp.
    bool accepted() const { return accepted_; }
    const std::map<OutputId, OutputState>& outputs() const { return states_; }
    const OutputState* output(OutputId id) const;
    // What output `id` gave back after the tool's last write to it; null before the first write.
    const GammaRamp* shown(OutputId id) const;
    // True when `table`, read from output `id`, is no longer the tool's last ramp: neither what
    // the display gave back for it nor that ramp give or take the display's rounding. Another
    // program or a reset changed it; before the first write every table is the display's own.
    bool changedSinceWrite(OutputId id, const GammaRamp& table) const;

  private:
    // A ramp on its way to an output.
    struct Pending {
        OutputState* state;
        GammaRamp ramp;
        bool tints = false;  // the ramp is the output's base with channel offsets
    };

    void writeAll(const std::vector<Pending>& plan);
    bool writeHeld();
    void writeCurrent();
    // The base on every output that had a ramp from the tool: lit ones too, or only those off.
    void writeBase(bool lit);
    void rememberRamps();
    bool write(OutputState& s, const Pending& p);
    bool tintsOfBase(const OutputState& s) const;
    bool current(const OutputState& s, GammaRamp& r) const;
    bool build(const OutputState& s, const Request& q, GammaRamp& r) const;
    bool holdsLastWritten(const OutputState& s, const GammaRamp& table) const;
    bool changedByOther(const OutputState& s);
    bool shownOnBase(const std::string& name) const;
    // A new request: outputs left to another program are the tool's again.
    void forgetFights();
    bool adopt(const DisplayGamma::Output& o);
    void refreshList(bool adoptLit);
    void loadJournal(const std::vector<DisplayGamma::Output>& list);
    void announceMonitors(bool untintedChanged);
    void syncJournal(const std::vector<Pending>& plan = {});

    DisplayGamma& display_;
    JournalStore* journal_;
    std::string journalKey_;
    std::string journalBytes_;
    std::vector<journal::Entry> journalEntries_;  // what this run's last save named
    bool journalLoaded_ = false;
    bool journalClosed_ = false;
    std::map<OutputId, OutputState> states_;
    // What the last operation put on the lit outputs; a newly lit output gets the same.
    Request request_;
    // While blending: request_ is where the blend started, blendTo_ where it goes.
    bool blending_ = false;
    Request blendTo_;
    double blendT_ = 0;
    bool accepted_ = false;
    // Noted while held: request_ not written yet (a tint; a switch to the base), the ramps to be
    // remembered again.
    bool holding_ = false;
    bool tintHeld_ = false;
    bool baseHeld_ = false;
    bool saveHeld_ = false;
    std::set<std::string> untinted_;
    std::set<std::string> paused_;
    // Outputs, by name, whose put-back or surrender has been said this run.
    std::set<std::string> toldPutBack_;
    std::set<std::string> toldLeftAlone_;
    std::vector<LitOutput> listed_;  // what onMonitorsChanged last announced
};
