#pragma once
// The file dialog behind Application::GetOpenFilename of the in-memory host.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ports/excel.h"

namespace quill::memory {

// The arguments GetOpenFilename was called with.
struct FileChoiceRequest {
    std::u16string file_filter;
    std::optional<std::int32_t> filter_index;
    std::u16string title;
    std::u16string button_text;
    bool multi_select = false;
    friend bool operator==(const FileChoiceRequest&, const FileChoiceRequest&) = default;
};

class FileChoicePort {
public:
    virtual ~FileChoicePort() = default;
    // The chosen files, or std::nullopt when the user cancelled.
    virtual std::optional<host::FileList> Choose(const FileChoiceRequest& request) = 0;
};

// Answers from a script, first in first out, and remembers every request.
// With the script used up it answers as a user who cancels.
class ScriptedFileChoice final : public FileChoicePort {
public:
    std::optional<host::FileList> Choose(const FileChoiceRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        Answer a = std::move(answers.front());
        answers.pop_front();
        if (a.cancel) return std::nullopt;
        return std::move(a.files);
    }
    // Queues a choice of these paths, the array starting at lower_bound.
    ScriptedFileChoice& choose(std::vector<std::u16string> paths, std::int32_t lower_bound = 1) {
        answers.push_back(Answer{false, host::FileList{lower_bound, std::move(paths)}});
        return *this;
    }
    ScriptedFileChoice& cancel() {
        answers.push_back(Answer{true, {}});
        return *this;
    }

    struct Answer {
        bool cancel = false;
        host::FileList files;
    };
    std::deque<Answer> answers;
    std::vector<FileChoiceRequest> requests;
};

}  // namespace quill::memory
