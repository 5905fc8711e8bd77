// A transfer's user interface for the tests: records every alert and answers questions.
#pragma once

#include <string>
#include <vector>

#include "transfer/TransferUi.h"

// Records every alert a transfer raises and answers questions with `answer`.
struct RecordingUi : transfer::ITransferUi {
    std::vector<std::string> texts;
    std::vector<transfer::AlertKind> kinds;
    int answer = transfer::kAnswerYes;
    int Alert(transfer::AlertKind k, const std::string& text) override {
        kinds.push_back(k);
        texts.push_back(text);
        return k == transfer::AlertKind::Question ? answer : transfer::kAnswerOk;
    }
};
