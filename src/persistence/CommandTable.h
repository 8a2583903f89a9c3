#pragma once
// A class's keyword table: keyword to handler, one static table per class.

#include "persistence/CountedDictionary.h"

namespace fw {

class CommandIO;
class CommandEnabler;

// Reads its own arguments from the endpoint; returns 0 on success, -1 on failure.
using CommandHandler = int (*)(CommandIO& io, CommandEnabler& receiver);

class CommandTable : public CountedDictionary<CommandHandler> {};

}  // namespace fw
