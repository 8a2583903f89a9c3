#pragma once
// Base of every persistent class: writes its keyword lines, owns (through
// commandTable) the handlers of its keywords, and names its class for "begin"/"end".

#include "persistence/CommandTable.h"

namespace fw {

class CommandEnabler {
public:
    virtual ~CommandEnabler() = default;

    // Writes the object's own commands, not its "begin"/"end" lines; 0 or -1.
    virtual int writeCommands(CommandIO& io) = 0;
    virtual CommandTable& commandTable() = 0;
    virtual const char* className() const = 0;

    // Binds a keyword to a handler in this class's table; registering again is harmless.
    void registerCommand(const char* keyword, CommandHandler handler);

    // Completes what was read once the block ends, by its "end" line or because the
    // data stopped inside it (a cut or abandoned file keeps what it held).
    virtual void finishReading() {}

    // The shared "end" handler: the next token must be the receiver's class name.
    static int endCommand(CommandIO& io, CommandEnabler& receiver);
};

}  // namespace fw
