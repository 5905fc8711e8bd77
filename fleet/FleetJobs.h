// The jobs of each fleet command. Every child is `quorvel-cli --eth HOST:PORT COMMAND ...`
// (with --json where the job reads its result); a remote-locked controller gets its password
// on standard input when the password book has it, and is otherwise skipped.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "fleet/FleetJob.h"

namespace fleet {

// `LABEL PASSWORD` lines; the password is the rest of the line after the label and blanks.
struct PasswordBook {
    std::map<std::string, std::string> byLabel;
    // The password of the target's label, or empty.
    std::string For(const Target& target) const;
};

// Reads a password file. Refused (false, the reason in `error`) when anyone but its owner may
// read or write it, or a line has no password.
bool ReadPasswordFile(const std::string& path, PasswordBook& book, std::string& error);
bool ParsePasswordText(std::string_view text, PasswordBook& book, std::string& error);

enum class Answer { Ask, Yes, No };

struct JobSettings {
    PasswordBook passwords;
    Answer answer = Answer::Ask; // the children's --yes or --no
};

// When the controller's last successful backup was made, from the service history (looked up
// by link address, then label), as local time with its offset; nothing when none is recorded.
std::optional<std::string> LastBackupOf(const Target& target);

// fleet list: the run and lock state, model, software and clock offset (overview). A locked
// controller without a password is skipped with its run and lock state.
std::unique_ptr<Job> MakeListJob(Target target, const JobSettings& settings);

// fleet backup: `backup` into a staging folder of its own below `folder`; the dated folder
// it makes is moved up into `folder` once complete, and the staging folder removed. A
// stopped backup leaves nothing behind.
std::unique_ptr<Job> MakeBackupJob(Target target, const JobSettings& settings, std::string folder);

// fleet clock set --now: with `maxOffsetS`, the clock is read first and set only when it is
// off by more than that.
std::unique_ptr<Job> MakeClockSetJob(Target target, const JobSettings& settings,
                                     std::optional<long long> maxOffsetS);

// The checks of firmware update and program write, made on every controller before any is
// changed: the identity is read and the package or program file checked against it. Done
// when it fits (the message says what would be done), Skipped when it does not.
std::unique_ptr<Job> MakeFirmwareCheckJob(Target target, const JobSettings& settings,
                                          std::string package);
std::unique_ptr<Job> MakeProgramCheckJob(Target target, const JobSettings& settings,
                                         std::string file);

// The changes themselves, one controller at a time.
std::unique_ptr<Job> MakeFirmwareUpdateJob(Target target, const JobSettings& settings,
                                           std::string package);
std::unique_ptr<Job> MakeProgramWriteJob(Target target, const JobSettings& settings,
                                         std::string file);

// The seconds between two clock readings "YYYY-MM-DD" "HH:MM:SS" and `now` (the same
// local time); nothing when they are not of that form.
std::optional<long long> ClockOffset(const std::string& date, const std::string& time,
                                     const std::tm& now);

} // namespace fleet
