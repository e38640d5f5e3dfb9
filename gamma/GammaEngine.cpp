#include "gamma/GammaEngine.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gamma/GammaJournal.h"
#include "gamma/RampMath.h"
#include "gamma/TintMapping.h"

GammaEngine::GammaEngine(DisplayGamma& display, JournalStore* journal)
    : tell([](const std::string& what) { std::fprintf(stderr, "dimwarden: %s\n", what.c_str()); }),
      display_(display),
      journal_(journal) {
    display_.onOutputsChanged = [this] { outputsChanged(); };
    display_.onReset = [this] { restoreAfterReset(); };
}

GammaEngine::~GammaEngine() {
    display_.onOutputsChanged = nullptr;
    display_.onReset = nullptr;
}

const GammaEngine::OutputState* GammaEngine::output(OutputId id) const {
    const auto it = states_.find(id);
    return it == states_.end() ? nullptr : &it->second;
}

const GammaRamp* GammaEngine::shown(OutputId id) const {
    const OutputState* s = output(id);
    return s != nullptr && s->written ? &s->shown : nullptr;
}

bool GammaEngine::changedSinceWrite(OutputId id, const GammaRamp& table) const {
    const OutputState* s = output(id);
    return s == nullptr || !holdsLastWritten(*s, table);
}

GammaEngine::Request GammaEngine::Request::tint(int red, int green, int blue) {
    return {Kind::Tint, red, green, blue};
}

GammaEngine::Request GammaEngine::Request::night(BgrColor colr) {
    // Slider position p stands for the offset p - 40, as the colour sliders apply it.
    const tint::Positions p = tint::positionsOf(colr);
    return tint(p.red - tint::kMaxPosition, p.green - tint::kMaxPosition,
                p.blue - tint::kMaxPosition);
}

GammaEngine::Request GammaEngine::Request::base() {
    return {Kind::Base, 0, 0, 0};
}

void GammaEngine::SetGamma(int intRed, int intGreen, int intBlue) {
    forgetFights();
    blending_ = false;
    request_ = Request::tint(intRed, intGreen, intBlue);
    if (holding_) {
        tintHeld_ = true;
        return;
    }
    writeCurrent();
}

void GammaEngine::hold() {
    holding_ = true;
}

void GammaEngine::release() {
    holding_ = false;
    writeHeld();
}

// What a held run noted, in the order that matters: the remembered ramps first (tints are built
// on them; a table holding the tool's own ramp, written or not, is remembered as its base either
// way), then the base on outputs that are off, then what the run ended on. True when every lit
// output now holds the current request.
bool GammaEngine::writeHeld() {
    const bool remember = std::exchange(saveHeld_, false);
    const bool toBase = std::exchange(baseHeld_, false);
    const bool toTint = std::exchange(tintHeld_, false);
    if (remember) {
        rememberRamps();
    }
    if (toBase) {
        writeBase(request_.kind == Request::Kind::Base);
        if (request_.kind == Request::Kind::Base) {
            return true;
        }
    }
    if (toTint || toBase) {
        writeCurrent();
        return true;
    }
    return false;
}

void GammaEngine::SetBlend(const Request& to, double t) {
    writeHeld();
    if (!blending_ || to != blendTo_) {
        forgetFights();
    }
    blending_ = true;
    blendTo_ = to;
    blendT_ = std::clamp(t, 0.0, 1.0);
    writeCurrent();
}

void GammaEngine::SetDefault() {
    // Every output gets its base back, one left to another program too (this is also the exit).
    forgetFights();
    blending_ = false;
    request_ = Request::base();
    if (holding_) {
        tintHeld_ = false;  // every output the noted tint would reach gets its base instead
        baseHeld_ = true;
        return;
    }
    writeBase(true);
}

void GammaEngine::writeBase(bool lit) {
    // Outputs that are off now still get their base: one that comes back on later, or after the
    // tool has gone, must not come back tinted.
    std::vector<Pending> plan;
    for (auto& [id, s] : states_) {
        const bool on = s.output.active && s.remembered;
        if ((lit && on) || (s.written && !on)) {
            plan.push_back({&s, s.base, true});
        }
    }
    writeAll(plan);
}

void GammaEngine::SaveGamma() {
    if (holding_) {
        saveHeld_ = true;
        return;
    }
    rememberRamps();
}

void GammaEngine::rememberRamps() {
    refreshList(true);
    syncJournal();
    announceMonitors(false);
}

void GammaEngine::RestoreGamma() {
    writeHeld();
    forgetFights();
    blending_ = false;
    request_ = {Request::Kind::Saved};
    writeCurrent();
}

void GammaEngine::reapply() {
    if (!writeHeld()) {
        writeCurrent();
    }
}

void GammaEngine::writeCurrent() {
    std::vector<Pending> plan;
    GammaRamp r;
    for (auto& [id, s] : states_) {
        if (s.output.active && s.remembered && current(s, r)) {
            plan.push_back({&s, r, tintsOfBase(s)});
        }
    }
    writeAll(plan);
}

void GammaEngine::restoreAfterReset() {
    writeHeld();
    std::vector<Pending> plan;
    GammaRamp table;
    GammaRamp r;
    for (auto& [id, s] : states_) {
        if (s.output.active && s.remembered && s.written && s.lastWritten != s.base &&
            display_.read(id, table) && !holdsLastWritten(s, table) && current(s, r)) {
            plan.push_back({&s, r});
        }
    }
    writeAll(plan);
}

void GammaEngine::outputsChanged() {
    // Before the first SaveGamma every output is read anyway, with the journal in hand.
    if (!journalLoaded_) {
        return;
    }
    writeHeld();
    refreshList(false);
    // Every lit output is written again, not only new ones: a mode set may reset a table.
    reapply();
    announceMonitors(false);
}

void GammaEngine::setUntinted(std::set<std::string> names) {
    // No output goes without a name; an empty one (a bare script argument) would only be stored.
    names.erase(std::string());
    if (names == untinted_) {
        return;
    }
    writeHeld();
    const std::set<std::string> before = std::exchange(untinted_, std::move(names));
    std::vector<Pending> plan;
    GammaRamp r;
    for (auto& [id, s] : states_) {
        const std::string& name = s.output.name;
        if (before.contains(name) != untinted_.contains(name) && s.output.active && s.remembered &&
            current(s, r)) {
            plan.push_back({&s, r, tintsOfBase(s)});
        }
    }
    writeAll(plan);
    announceMonitors(true);
}

void GammaEngine::setPaused(std::set<std::string> names) {
    if (names == paused_) {
        return;
    }
    writeHeld();
    const std::set<std::string> before = std::exchange(paused_, std::move(names));
    std::vector<Pending> plan;
    GammaRamp r;
    for (auto& [id, s] : states_) {
        const std::string& name = s.output.name;
        const bool was = before.contains(name) || untinted_.contains(name);
        if (was == shownOnBase(name) || !s.output.active || !s.remembered) {
            continue;
        }
        // A game that set its own ramp before going full screen keeps it.
        if (paused_.contains(name) && changedByOther(s)) {
            continue;
        }
        if (current(s, r)) {
            plan.push_back({&s, r});
        }
    }
    writeAll(plan);
}

void GammaEngine::putBack(std::int64_t nowMs) {
    if (display_.handedOver || !display_.canRead()) {
        return;
    }
    writeHeld();
    std::vector<Pending> plan;
    GammaRamp r;
    for (auto& [id, s] : states_) {
        // Only a tint is put back: a base showing is the display's own, which any program may
        // change (a colour-profile loader, say).
        if (!s.output.active || !s.remembered || !s.written || s.leftAlone ||
            shownOnBase(s.output.name) || s.lastWritten == s.base || !changedByOther(s) ||
            !current(s, r)) {
            continue;
        }
        const std::string name =
            s.output.name.empty() ? "output " + std::to_string(id) : s.output.name;
        if (s.fights.fighting(nowMs)) {
            s.leftAlone = true;
            if (toldLeftAlone_.insert(name).second) {
                tell("another program keeps changing the ramp of " + name +
                     "; it is left to that program until the next change of mode or colour");
            }
            continue;
        }
        if (toldPutBack_.insert(name).second) {
            tell("another program changed the ramp of " + name + "; the tint is put back");
        }
        plan.push_back({&s, r});
    }
    writeAll(plan);
}

void GammaEngine::forgetFights() {
    for (auto& [id, s] : states_) {
        s.leftAlone = false;
        s.fights.reset();
    }
}

void GammaEngine::setTinted(const std::string& name, bool tinted) {
    std::set<std::string> names = untinted_;
    if (tinted) {
        names.erase(name);
    } else {
        names.insert(name);
    }
    setUntinted(std::move(names));
}

std::vector<GammaEngine::LitOutput> GammaEngine::litOutputs() const {
    std::vector<LitOutput> list;
    for (const auto& [id, s] : states_) {
        if (s.output.active && s.remembered) {
            list.push_back({id, s.output.name, tinted(s.output.name)});
        }
    }
    return list;
}

void GammaEngine::announceMonitors(bool untintedChanged) {
    std::vector<LitOutput> now = litOutputs();
    if (!untintedChanged && now == listed_) {
        return;
    }
    listed_ = std::move(now);
    if (onMonitorsChanged) {
        onMonitorsChanged();
    }
}

void GammaEngine::closeJournal() {
    writeHeld();
    if (journal_ != nullptr && !journalKey_.empty() && !journalClosed_ && !display_.handedOver) {
        journal_->remove(journalKey_);
    }
    journalClosed_ = true;
}

void GammaEngine::writeAll(const std::vector<Pending>& given) {
    std::vector<Pending> plan;
    std::ranges::copy_if(given, std::back_inserter(plan),
                         [](const Pending& p) { return !p.state->leftAlone; });
    // The journal goes first: a kill at any point after it finds each table holding either the
    // ramp it had or the one on its way, and both are named as the tool's own.
    syncJournal(plan);
    for (const Pending& p : plan) {
        write(*p.state, p);
    }
}

bool GammaEngine::tintsOfBase(const OutputState& s) const {
    // Outside a blend every ramp is built from the remembered ramp: a tint of it, it, or base.
    return !blending_ && s.savedRamp == s.base;
}

bool GammaEngine::write(OutputState& s, const Pending& p) {
    if (display_.handedOver || !display_.apply(s.output.id, p.ramp)) {
        return false;
    }
    s.lastWritten = p.ramp;
    s.lastTints = p.tints;
    s.written = true;
    // What the screen shows of it: the read-back, where the display can be read. A display seen
    // to keep a ramp whole is not asked again, since every read is a round trip to the server.
    const GammaRamp kept = ramp::roundTrip(p.ramp, static_cast<std::size_t>(s.output.gammaSize));
    if (s.readBack && display_.canRead() && display_.read(s.output.id, s.shown)) {
        s.readBack = s.shown != kept;
    } else {
        s.shown = kept;
    }
    accepted_ = true;
    return true;
}

bool GammaEngine::current(const OutputState& s, GammaRamp& r) const {
    if (!blending_) {
        return build(s, request_, r);
    }
    GammaRamp from;
    if (!build(s, blendTo_, r)) {
        return false;
    }
    if (!build(s, request_, from)) {
        // Nothing was shown before: the blend has no start, so it is the target itself.
        return true;
    }
    for (std::size_t i = 0; i < GammaRamp::kWords; ++i) {
        const double a = from.words[i];
        const double b = r.words[i];
        r.words[i] = static_cast<std::uint16_t>(ramp::rne(a + (b - a) * blendT_));
    }
    return true;
}

bool GammaEngine::build(const OutputState& s, const Request& q, GammaRamp& r) const {
    if (q.kind != Request::Kind::Nothing && shownOnBase(s.output.name)) {
        // Left untinted or paused: its base in every mode, so a blend between two states stays
        // there too.
        r = s.base;
        return true;
    }
    switch (q.kind) {
        case Request::Kind::Tint:
            ramp::buildAdjusted(s.savedRamp, q.red, q.green, q.blue, r);
            return true;
        case Request::Kind::Base:
            r = s.base;
            return true;
        case Request::Kind::Saved:
            r = s.savedRamp;
            return true;
        case Request::Kind::Nothing:
            break;
    }
    return false;
}

bool GammaEngine::shownOnBase(const std::string& name) const {
    return untinted_.contains(name) || paused_.contains(name);
}

bool GammaEngine::changedByOther(const OutputState& s) {
    GammaRamp table;
    if (!s.written || !display_.canRead() || !display_.read(s.output.id, table) ||
        holdsLastWritten(s, table)) {
        return false;
    }
    // Outputs may share one table (under Wine every display device is the X screen's one ramp):
    // one holding what the tool last wrote to another lit output was changed by the tool itself.
    return std::ranges::none_of(states_, [&](const auto& entry) {
        const OutputState& other = entry.second;
        return &other != &s && other.output.active && other.remembered &&
               holdsLastWritten(other, table);
    });
}

bool GammaEngine::holdsLastWritten(const OutputState& s, const GammaRamp& table) const {
    // A table of another size than 256 gives back an interpolated copy of what was written, and
    // displays round: a ramp is recognised by what the display gave back for it.
    return s.written && (table == s.shown || table == s.lastWritten ||
                         ramp::matchesWritten(table, s.lastWritten,
                                              static_cast<std::size_t>(s.output.gammaSize)));
}

bool GammaEngine::adopt(const DisplayGamma::Output& o) {
    auto it = states_.find(o.id);
    const bool known = it != states_.end();
    GammaRamp table = ramp::identity();
    if (display_.canRead() && !display_.read(o.id, table)) {
        // Never build a ramp on a failed read: a new output is left alone until it reads, a
        // known one keeps what an earlier read gave.
        if (known) {
            it->second.output = o;
        }
        return false;
    }
    OutputState& s = states_[o.id];
    s.output = o;
    if (known && holdsLastWritten(s, table)) {
        // The tool's own ramp (this run's or a dead one's): the display's is the kept base.
        s.savedRamp = s.base;
    } else if (!display_.canRead() && known && s.remembered) {
        // Nothing can be learnt from a table that cannot be read: keep what is known.
    } else {
        s.savedRamp = table;
        s.base = ramp::usable(table) ? table : ramp::identity();
        s.written = false;
    }
    s.remembered = true;
    return true;
}

void GammaEngine::refreshList(bool adoptLit) {
    const std::vector<DisplayGamma::Output> list = display_.outputs();
    if (!journalLoaded_) {
        journalLoaded_ = true;
        loadJournal(list);
    }
    std::set<OutputId> listed;
    for (const DisplayGamma::Output& o : list) {
        listed.insert(o.id);
        const auto it = states_.find(o.id);
        const bool wasLit =
            it != states_.end() && it->second.output.active && it->second.remembered;
        if (o.active && (adoptLit || !wasLit)) {
            adopt(o);
        } else if (it != states_.end()) {
            it->second.output = o;
        }
    }
    for (auto& [id, s] : states_) {
        if (!listed.contains(id)) {
            s.output.active = false;
        }
    }
}

void GammaEngine::loadJournal(const std::vector<DisplayGamma::Output>& list) {
    if (journal_ == nullptr || (journalKey_ = display_.journalKey()).empty()) {
        return;
    }
    const std::optional<std::string> bytes = journal_->load(journalKey_);
    if (!bytes) {
        return;
    }
    // The file stays until this run's first write replaces it (or finds nothing to keep).
    journalBytes_ = *bytes;
    const auto entries = journal::decode(journalKey_, *bytes);
    if (!entries) {
        tell("ignoring the crash journal of an earlier run: it is damaged or not this display's");
        return;
    }
    if (!display_.canRead()) {
        return;
    }
    // A base is checked as a table read from the screen is: a file must not be able to turn the
    // screen black, white or inverted.
    for (const journal::Entry& e : *entries) {
        if (!ramp::usable(e.base)) {
            tell(
                "ignoring the crash journal of an earlier run: it holds a ramp that no display "
                "could have had");
            return;
        }
    }
    std::string unmatched;
    for (const DisplayGamma::Output& o : list) {
        bool named = false;
        GammaRamp table;
        bool haveTable = false;
        for (const journal::Entry& e : *entries) {
            if (o.id != e.id) {
                continue;
            }
            named = true;
            OutputState s;
            s.output = o;
            s.base = e.base;
            s.savedRamp = e.base;
            s.lastWritten = e.last;
            s.shown = e.shown;
            s.lastTints = e.tints;
            s.written = true;
            haveTable = haveTable || display_.read(o.id, table);
            // A table that holds none of the dead run's ramps was changed since (another server,
            // another program): the entry says nothing about it.
            if (haveTable && !holdsLastWritten(s, table) && e.tints &&
                ramp::tintOf(table, e.base, static_cast<std::size_t>(o.gammaSize))) {
                // One of the dead run's tints: from here on it is known as what it is.
                s.lastWritten = s.shown = table;
                s.lastTints = false;
            }
            if (haveTable && holdsLastWritten(s, table)) {
                states_[o.id] = s;
                break;
            }
        }
        if (named && !states_.contains(o.id)) {
            unmatched += (unmatched.empty() ? "" : ", ") +
                         (o.name.empty() ? "output " + std::to_string(o.id) : o.name);
        }
    }
    if (!unmatched.empty()) {
        tell("ignoring the crash journal of an earlier run for " + unmatched +
             ": the screen no longer shows its ramps");
    }
}

void GammaEngine::syncJournal(const std::vector<Pending>& plan) {
    if (journal_ == nullptr || journalKey_.empty() || journalClosed_ || display_.handedOver) {
        return;
    }
    std::vector<journal::Entry> entries;
    // A tint of the base is named by the base alone, so a run of tints (a slider dragged, a burst
    // of commands) is covered by one save.
    const auto add = [&entries](const journal::Entry& e) {
        if (std::ranges::find(entries, e) == entries.end()) {
            entries.push_back(e);
        }
    };
    for (const auto& [id, s] : states_) {
        if (s.written) {
            add(s.lastTints ? journal::Entry{id, s.base, s.base, s.base, true}
                            : journal::Entry{id, s.base, s.lastWritten, s.shown, false});
        }
        for (const Pending& p : plan) {
            if (p.state != &s || (s.written && p.ramp == s.lastWritten)) {
                continue;
            }
            // What the display will give back is not known yet: the ramp as a table of its size,
            // and the rounding the match allows, stand for it.
            const std::size_t size = static_cast<std::size_t>(s.output.gammaSize);
            add(p.tints ? journal::Entry{id, s.base, s.base, s.base, true}
                        : journal::Entry{id, s.base, p.ramp, ramp::roundTrip(p.ramp, size), false});
        }
    }
    if (entries.empty()) {
        if (!journalBytes_.empty()) {
            journal_->remove(journalKey_);
            journalBytes_.clear();
            journalEntries_.clear();
        }
        return;
    }
    // A file that names every ramp already (the same ramp written again, say) is left as it is:
    // an extra name it holds is a ramp this run wrote, which only a kill could leave on the screen.
    const bool named = std::ranges::all_of(entries, [this](const journal::Entry& e) {
        return std::ranges::find(journalEntries_, e) != journalEntries_.end();
    });
    if (!named) {
        journalBytes_ = journal::encode(journalKey_, entries);
        journal_->save(journalKey_, journalBytes_);
        journalEntries_ = std::move(entries);
    }
}
