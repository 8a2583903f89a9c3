#pragma once
// Shared reader of the line-based endpoints (memory block, string array, console):
// each line is copied into the line buffer and tokenised there, so a quoted
// string never runs past the end of its line.

#include "persistence/CommandIO.h"

namespace fw {

class LineCommandIO : public CommandIO {
public:
    int readToken(char* token, int size) override;
    int hasInput() override;

protected:
    // backslashQuote: whether backslash-quote stands for a quote inside quoted strings.
    // closeAtLineEnd: whether an unterminated quoted string is delivered (true) or dropped.
    LineCommandIO(CommandEnabler* root, uint8_t flag, bool backslashQuote, bool closeAtLineEnd);

    // Copies the next line (without its line feed) into the line buffer; false at the end.
    virtual bool nextLine() = 0;
    // Whether another line may follow the current one.
    virtual bool moreLines() = 0;

    // Sets the current line's length after nextLine has filled the line buffer; the
    // line ends at its first NUL, the way C strings do.
    void setLine(int length);
    void dropLine() { lineLength_ = linePosition_ = 0; }

    int lineLength_ = 0;
    int linePosition_ = 0;

private:
    bool backslashQuote_;
    bool closeAtLineEnd_;
};

}  // namespace fw
