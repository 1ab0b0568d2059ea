// A conversion host for tests: answers from a script and records what the engine asked,
// in order, through a sink (the fake Word server's journal, or its own list).
#pragma once

#include "conversion_host.h"
#include "document_password.h"

#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::test {

class ScriptedHost : public ConversionHost {
public:
    using Sink = std::function<void(const std::string&)>;

    explicit ScriptedHost(Sink sink = {}) : sink_(std::move(sink)) {}

    // Answers of the password prompt, in order; Cancel once they are used up.
    std::deque<std::optional<QString>> passwords;
    // The answer to "already exists".
    bool replaceExisting = false;

    std::vector<QString> messages;
    std::vector<QString> convertedFiles;
    int passwordPrompts = 0;
    std::vector<std::string> events;

    void showMessage(const QString& text) override {
        messages.push_back(text);
        record("host: message " + text.toStdString());
    }
    bool askYesNo(const QString& question) override {
        record("host: ask " + question.toStdString());
        return replaceExisting;
    }
    PasswordAnswer askDocumentPassword(const QString& fileName) override {
        ++passwordPrompts;
        record("host: password " + fileName.toStdString() +
               " (documentPassword=" + documentPassword().toStdString() + ")");
        if (passwords.empty()) {
            return {};
        }
        auto answer = passwords.front();
        passwords.pop_front();
        return {answer, {}};
    }
    void setProgress(int position, int range, int fillVisible) override {
        record("host: progress " + std::to_string(position) + "/" + std::to_string(range) + "/" +
               std::to_string(fillVisible));
    }
    void addConvertedFile(const QString& outputName) override {
        convertedFiles.push_back(outputName);
        record("host: converted " + outputName.toStdString());
    }
    void startPromptAnswerer() override { record("host: answerer start"); }
    void stopPromptAnswerer() override { record("host: answerer stop"); }

private:
    void record(const std::string& event) {
        events.push_back(event);
        if (sink_) {
            sink_(event);
        }
    }

    Sink sink_;
};

} // namespace ostrel::test
