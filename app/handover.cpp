// SPDX-License-Identifier: GPL-2.0-or-later
#include "handover.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// No argument or path holds a NUL.
static const char16_t fieldSeparator = 0;
static const char16_t tag[] = u"raise";
// Marks a resident instance's answer, so that it is told apart from a plain
// acknowledgement (a dialog on the screen, or an older kav-run).
static const char answerTag = '\x02';
static const int raisedStatus = 255;
static const int answerTimeoutMs = 5000;

// Each byte of the local encoding travels as one character; the resident
// turns them back into the same bytes.
static std::u16string widened(const std::string &bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text.push_back(char16_t(static_cast<unsigned char>(byte)));
    return text;
}

static std::string narrowed(const std::u16string &text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t unit : text)
        bytes.push_back(char(unit));
    return bytes;
}

static void appendNumber(std::string *data, uint32_t number)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        data->push_back(char(number >> shift));
}

// Reads a big-endian number at @p *position; false when the data ends first.
static bool readNumber(const std::string &data, size_t *position, uint32_t *number)
{
    if (data.size() < *position + 4)
        return false;
    *number = 0;
    for (int i = 0; i < 4; ++i)
        *number = (*number << 8) | static_cast<unsigned char>(data[*position + size_t(i)]);
    *position += 4;
    return true;
}

std::u16string HandOver::message() const
{
    std::u16string text = tag;
    text += fieldSeparator;
    text += widened(directory);
    for (const std::string &argument : arguments) {
        text += fieldSeparator;
        text += widened(argument);
    }
    return text;
}

std::optional<int> HandOver::deliver(
    const std::string &identifier, InstanceClient::ListenerWait wait, int keyboardHold) const
{
    InstanceClient client(InstanceClient::serverPath(identifier));
    switch (client.send(message(), answerTimeoutMs, wait, keyboardHold)) {
    case InstanceClient::NotRunning:
        return std::nullopt;
    case InstanceClient::Unanswered:
        return raisedStatus;
    case InstanceClient::TooLong:
        std::fputs(
            "kav-run: the command line is too long to hand over to the running kav-run\n", stderr);
        return 1;
    case InstanceClient::Answered:
        break;
    }
    return finish(client.answer());
}

bool HandOver::fromMessage(const std::u16string &message, HandOver *handOver)
{
    std::vector<std::u16string> fields(1);
    for (const char16_t unit : message) {
        if (unit == fieldSeparator)
            fields.emplace_back();
        else
            fields.back() += unit;
    }
    if (fields.size() < 3 || fields.front() != tag)
        return false;
    handOver->directory = narrowed(fields[1]);
    handOver->arguments.clear();
    for (size_t field = 2; field < fields.size(); ++field)
        handOver->arguments.push_back(narrowed(fields[field]));
    return true;
}

// The answer: its tag, the exit status, then the diagnostics' length and bytes.
std::string HandOver::answer(int status, const std::string &errors)
{
    std::string data(1, answerTag);
    appendNumber(&data, uint32_t(status));
    appendNumber(&data, uint32_t(errors.size()));
    return data + errors;
}

std::string HandOver::selfAnswer()
{
    return answer(answerItself);
}

int HandOver::finish(const std::string &answer)
{
    if (answer.empty() || answer.front() != answerTag)
        return raisedStatus;
    size_t position = 1;
    uint32_t status = 0;
    uint32_t length = 0;
    if (!readNumber(answer, &position, &status) || !readNumber(answer, &position, &length)
        || answer.size() - position < length)
        return raisedStatus;
    std::fwrite(answer.data() + position, 1, length, stderr);
    return int32_t(status);
}
