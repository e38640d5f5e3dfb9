#include "control/Client.h"

#include <cstdio>

namespace control {
namespace {

void print(const State& state, bool json) {
    const std::string line = json ? statusJson(state) : statusLine(state);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);  // a status bar reads line by line from a pipe
}

int notRunning(const Transport& transport) {
    std::fprintf(stderr, "dimwarden: no instance is running %.*s.\n",
                 static_cast<int>(transport.place().size()), transport.place().data());
    return kNotRunning;
}

int failed(const Transport::Reply& reply) {
    std::fprintf(stderr, "dimwarden: the running instance did not take the command%s%s\n",
                 reply.error.empty() ? "." : ": ", reply.error.c_str());
    return kFailed;
}

// Prints the state, then again on every change that shows, until the instance ends.
int watch(Transport& transport, const Command& command) {
    if (!transport.listen()) {
        return notRunning(transport);
    }
    const Transport::Reply first = transport.send(commandArgs(command));
    if (first.reach == Transport::Reach::NoInstance) {
        return notRunning(transport);
    }
    if (first.reach == Transport::Reach::Answered && first.answer.status != kDone) {
        std::fprintf(stderr, "dimwarden: %s\n", first.answer.message.c_str());
        return first.answer.status;
    }
    std::optional<State> shown =
        first.reach == Transport::Reach::Answered ? unpackState(first.answer.state) : std::nullopt;
    if (!shown) {
        return failed(first);
    }
    print(*shown, command.json);
    Command ask;
    ask.action = Action::Status;
    while (transport.waitForChange()) {
        const Transport::Reply now = transport.send(commandArgs(ask));
        if (now.reach == Transport::Reach::NoInstance) {
            break;
        }
        const std::optional<State> state = unpackState(now.answer.state);
        // Changes that came together, or one already in the first read, are said once.
        if (state && state != shown) {
            shown = state;
            print(*state, command.json);
        }
    }
    return kNotRunning;
}

}  // namespace

std::optional<int> runClient(Transport& transport, const Command& command,
                             std::chrono::milliseconds patience) {
    if (command.action == Action::Watch) {
        return watch(transport, command);
    }
    transport.awaitInstance(patience);
    const Transport::Reply reply = transport.send(commandArgs(command));
    switch (reply.reach) {
        case Transport::Reach::NoInstance:
            return startsTool(command.action) ? std::nullopt
                                              : std::optional<int>(notRunning(transport));
        case Transport::Reach::Failed:
            return failed(reply);
        case Transport::Reach::Answered:
            break;
    }
    if (reply.answer.status != kDone) {
        std::fprintf(stderr, "dimwarden: %s\n", reply.answer.message.c_str());
        return reply.answer.status;
    }
    if (command.action == Action::Status) {
        const std::optional<State> state = unpackState(reply.answer.state);
        if (!state) {
            return failed({Transport::Reach::Failed, {}, "its answer could not be read"});
        }
        print(*state, command.json);
    }
    return kDone;
}

}  // namespace control
