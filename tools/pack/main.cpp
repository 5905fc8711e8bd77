// quorvel-pack: builds a firmware package (.vqfw) from image files and a model, lists or checks
// one, and makes the sample packages and images the simulator understands.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "model/ModelTable.h"
#include "platform/output_file.h"
#include "sim/firmware_image.h"
#include "transfer/FirmwareFolders.h"
#include "transfer/FirmwarePackage.h"
#include "transfer/FirmwarePackageWriter.h"

namespace {

namespace fw = transfer::fw;

const char kUsage[] =
    "usage:\n"
    "  quorvel-pack build --model N --version V.I.R (--out FILE | --folder DIR [--language L])\n"
    "                     [--code8 C] [--notes FILE] IMAGE...\n"
    "      IMAGE files in package order: base firmware, base bootloader (models 0, 7, 8);\n"
    "      transition firmware, daughter-board firmware, base firmware, base bootloader,\n"
    "      daughter-board bootloader (2, 3, 9, 10); firmware part 1, part 2 (14, 15, 16).\n"
    "      --folder writes DIR/<family>/<model>/<package file name>; L is fr, en, de, es, it.\n"
    "  quorvel-pack list FILE [--model N]      header values and blocks of a package\n"
    "  quorvel-pack check FILE [--model N]     exit 0 when the package is whole and fits\n"
    "  quorvel-pack image --kind KIND --version V.I.R --size BYTES --out FILE\n"
    "      a simulator image; KIND is firmware, bootloader, transition, board-firmware,\n"
    "      board-bootloader, part1 or part2\n"
    "  quorvel-pack samples DIR                sample packages for the simulator's models\n";

int Usage(const std::string& why) {
    std::cerr << "quorvel-pack: " << why << "\n" << kUsage;
    return 2;
}

// The first product code of each model that takes firmware.
long DefaultCode8(int model) {
    switch (model) {
    case 0:
        return 61410001;
    case 2:
        return 61410021;
    case 3:
        return 61410031;
    case 7:
        return 61420001;
    case 8:
        return 61420002;
    case 9:
        return 61420011;
    case 10:
        return 61420012;
    case 14:
        return 61430001;
    case 15:
        return 61430002;
    case 16:
        return 61430003;
    default:
        return 0;
    }
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

// Written whole or not at all (the folders created first).
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string& error) {
    const std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ec);
    return platform::WriteWholeFile(path, data, error);
}

bool ParseInt(const std::string& s, long& out) {
    try {
        std::size_t used = 0;
        out = std::stol(s, &used, 0);
        return used == s.size();
    } catch (...) {
        return false;
    }
}

// Options of the form --name VALUE; the rest are positional.
struct Args {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> positional;
    bool Get(const std::string& name, std::string& value) const {
        for (const auto& [n, v] : options)
            if (n == name) {
                value = v;
                return true;
            }
        return false;
    }
};

bool SplitArgs(int argc, char** argv, Args& args, std::string& error) {
    for (int k = 2; k < argc; ++k) {
        std::string a = argv[k];
        if (a.rfind("--", 0) == 0) {
            if (k + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            args.options.emplace_back(a, argv[++k]);
        } else {
            args.positional.push_back(a);
        }
    }
    return true;
}

std::string WriteVersion(const fw::PackageVersion& v) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%02d.%02d", v.v, v.i, v.r);
    return text;
}

struct BuildRequest {
    int model = 0;
    long code8 = 0;
    fw::PackageVersion version;
    std::string notes;
    std::vector<fw::Bytes> images;
};

// The package text, or an error message.
bool MakePackage(const BuildRequest& b, std::string& text, std::string& error) {
    const auto folder = fw::PackageFolderOfModel(b.model);
    if (!folder) {
        error = "model " + std::to_string(b.model) + " takes no firmware update";
        return false;
    }
    const auto kinds = fw::BlocksOfLayout(fw::LayoutOfModel(b.model));
    if (b.images.size() != kinds.size()) {
        error = "model " + std::to_string(b.model) + " takes " + std::to_string(kinds.size()) +
                " images, " + std::to_string(b.images.size()) + " given";
        return false;
    }
    for (std::size_t k = 0; k < kinds.size(); ++k)
        if (b.images[k].size() < 4 || b.images[k].size() > fw::kMaxImageSize) {
            error = std::string("the ") + fw::ImageKindName(kinds[k]) +
                    " image must hold 4 to 1000000 bytes";
            return false;
        }
    fw::PackageContents c{b.model,           std::to_string(b.code8),
                          folder->modelName, WriteVersion(b.version),
                          b.notes,           b.images};
    text = fw::WritePackage(c);
    // What is written must read back whole.
    const fw::FirmwarePackage back = fw::ReadFirmwarePackage(fw::SplitLines(text), b.model);
    if (!back.ok()) {
        error = "the package does not read back: " + back.detail;
        return false;
    }
    return true;
}

bool WritePackageTo(const BuildRequest& b, const std::string& out, const std::string& folderDir,
                    int language, std::string& written, std::string& error) {
    std::string text;
    if (!MakePackage(b, text, error))
        return false;
    written = out;
    if (written.empty()) {
        const auto folder = fw::PackageFolderOfModel(b.model);
        const std::string name =
            fw::PackageFileName(*folder, b.version.v, b.version.i, b.version.r, language);
        if (name.empty()) {
            error = "version " + b.version.text + " does not fit a package file name";
            return false;
        }
        written = fw::PackageFolderPath(folderDir, *folder) + "/" + name;
    }
    if (!WriteFileAtomically(written, text, error))
        return false;
    return true;
}

int Build(const Args& a) {
    BuildRequest b;
    std::string s, out, folderDir, error;
    long n = 0;
    if (!a.Get("--model", s) || !ParseInt(s, n))
        return Usage("--model N is required");
    b.model = int(n);
    if (!a.Get("--version", s) || !fw::ParseVersionText(s))
        return Usage("--version V.I.R is required");
    b.version = *fw::ParseVersionText(s);
    b.code8 = DefaultCode8(b.model);
    if (a.Get("--code8", s) && (!ParseInt(s, b.code8) || s.size() != 8))
        return Usage("--code8 takes 8 digits");
    if (a.Get("--notes", s) && !ReadFile(s, b.notes)) {
        std::cerr << "quorvel-pack: cannot read " << s << "\n";
        return 1;
    }
    const bool toFile = a.Get("--out", out), toFolder = a.Get("--folder", folderDir);
    if (toFile == toFolder)
        return Usage("give either --out FILE or --folder DIR");
    int language = fw::kDefaultLanguage;
    if (a.Get("--language", s) && (language = fw::LanguageFromCode(s)) < 0)
        return Usage("--language is fr, en, de, es or it");
    for (const std::string& path : a.positional) {
        std::string data;
        if (!ReadFile(path, data)) {
            std::cerr << "quorvel-pack: cannot read " << path << "\n";
            return 1;
        }
        b.images.emplace_back(data.begin(), data.end());
    }
    std::string written;
    if (!WritePackageTo(b, out, folderDir, language, written, error)) {
        std::cerr << "quorvel-pack: " << error << "\n";
        return 1;
    }
    std::cout << written << "\n";
    return 0;
}

// The model a package is checked for: --model, else the model its Code_8 names.
bool PackageModel(const Args& a, const std::vector<std::string>& lines, int& model) {
    std::string s;
    long n = 0;
    if (a.Get("--model", s))
        return ParseInt(s, n) && (model = int(n), true);
    for (const std::string& line : lines) {
        const std::string code8 = fw::TextBetween(line, "<Code_8>", "</Code_8>");
        if (!code8.empty()) {
            model = model::ModelFromCode8Any(model::ParseCode8(code8.c_str()));
            return model != model::kUnknownModel;
        }
    }
    return false;
}

int ListOrCheck(const Args& a, bool list) {
    if (a.positional.size() != 1)
        return Usage("one package file expected");
    std::string text;
    if (!ReadFile(a.positional[0], text)) {
        std::cerr << "quorvel-pack: cannot read " << a.positional[0] << "\n";
        return 1;
    }
    const auto lines = fw::SplitLines(text);
    int model = 0;
    if (!PackageModel(a, lines, model)) {
        std::cerr << "quorvel-pack: the package names no known product; give --model N\n";
        return 1;
    }
    const fw::FirmwarePackage pkg = fw::ReadFirmwarePackage(lines, model);
    if (!pkg.ok()) {
        std::cerr << "quorvel-pack: " << a.positional[0] << ": " << pkg.detail << "\n";
        return 1;
    }
    if (!list) {
        std::cout << "OK " << a.positional[0] << "\n";
        return 0;
    }
    const fw::PackageHeader& h = pkg.header;
    std::cout << "model     " << model << "\ncode8     " << h.code8 << "\nname      " << h.name
              << "\nfirmware  " << h.firmwareVir << "\nbase      " << h.baseVir << "\nextension "
              << h.extensionVir << "\n";
    for (const fw::Block& b : pkg.blocks) {
        char line[96];
        std::snprintf(line, sizeof line, "block     %-26s %8zu bytes at 0x%08X\n",
                      fw::ImageKindName(b.kind), b.content.size(), fw::ImageAddress(b.kind));
        std::cout << line;
    }
    return 0;
}

sim::FirmwareImageKind SimKind(fw::ImageKind k) {
    switch (k) {
    case fw::ImageKind::kBaseFirmware:
        return sim::FirmwareImageKind::kBaseFirmware;
    case fw::ImageKind::kBaseBootloader:
        return sim::FirmwareImageKind::kBaseBootloader;
    case fw::ImageKind::kTransitionFirmware:
        return sim::FirmwareImageKind::kTransitionFirmware;
    case fw::ImageKind::kBoardFirmware:
        return sim::FirmwareImageKind::kBoardFirmware;
    case fw::ImageKind::kBoardBootloader:
        return sim::FirmwareImageKind::kBoardBootloader;
    case fw::ImageKind::kTrelPart1:
        return sim::FirmwareImageKind::kTrelPart1;
    case fw::ImageKind::kTrelPart2:
        return sim::FirmwareImageKind::kTrelPart2;
    }
    return sim::FirmwareImageKind::kBaseFirmware;
}

std::uint32_t SampleSize(fw::ImageKind k) {
    switch (k) {
    case fw::ImageKind::kBaseFirmware:
        return 24 * 1024;
    case fw::ImageKind::kBaseBootloader:
        return 8 * 1024;
    case fw::ImageKind::kTransitionFirmware:
        return 8 * 1024;
    case fw::ImageKind::kBoardFirmware:
        return 16 * 1024;
    case fw::ImageKind::kBoardBootloader:
        return 4 * 1024;
    default:
        return 16 * 1024;
    }
}

int Image(const Args& a) {
    static const std::pair<const char*, fw::ImageKind> kKinds[] = {
        {"firmware", fw::ImageKind::kBaseFirmware},
        {"bootloader", fw::ImageKind::kBaseBootloader},
        {"transition", fw::ImageKind::kTransitionFirmware},
        {"board-firmware", fw::ImageKind::kBoardFirmware},
        {"board-bootloader", fw::ImageKind::kBoardBootloader},
        {"part1", fw::ImageKind::kTrelPart1},
        {"part2", fw::ImageKind::kTrelPart2}};
    std::string kindText, s, out;
    long size = 0;
    if (!a.Get("--kind", kindText) || !a.Get("--out", out))
        return Usage("--kind and --out are required");
    const auto* kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                    [&](const auto& k) { return kindText == k.first; });
    if (kind == std::end(kKinds))
        return Usage("unknown image kind " + kindText);
    if (!a.Get("--version", s) || !fw::ParseVersionText(s))
        return Usage("--version V.I.R is required");
    const fw::PackageVersion v = *fw::ParseVersionText(s);
    if (!a.Get("--size", s) || !ParseInt(s, size) || size < long(sim::kImageSignatureSize) ||
        size > long(fw::kMaxImageSize))
        return Usage("--size takes 12 to 1000000 bytes");
    const auto image =
        sim::MakeFirmwareImage(SimKind(kind->second), std::uint8_t(v.v), std::uint8_t(v.i),
                               std::uint8_t(v.r), std::uint32_t(size));
    std::string error;
    if (!WriteFileAtomically(out, std::string(image.begin(), image.end()), error)) {
        std::cerr << "quorvel-pack: " << error << "\n";
        return 1;
    }
    return 0;
}

// Two versions in French and English for every package folder the simulator's models use.
int Samples(const Args& a) {
    if (a.positional.size() != 1)
        return Usage("samples takes the Binaries folder");
    for (int model : {0, 2, 3, 7, 9, 14}) {
        const bool trel = model >= 14;
        for (const char* versionText :
             {trel ? "1.02.00" : "1.10.00", trel ? "1.01.05" : "1.09.05"}) {
            BuildRequest b;
            b.model = model;
            b.code8 = DefaultCode8(model);
            b.version = *fw::ParseVersionText(versionText);
            b.notes = std::string("Sample package ") + versionText +
                      " for the simulator.\n<b>Images carry the version they install.</b>";
            for (fw::ImageKind k : fw::BlocksOfLayout(fw::LayoutOfModel(model)))
                b.images.push_back(sim::MakeFirmwareImage(
                    SimKind(k), std::uint8_t(b.version.v), std::uint8_t(b.version.i),
                    std::uint8_t(b.version.r), SampleSize(k)));
            for (int language : {0, 1}) {
                std::string written, error;
                if (!WritePackageTo(b, "", a.positional[0], language, written, error)) {
                    std::cerr << "quorvel-pack: " << error << "\n";
                    return 1;
                }
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage("a command is required");
    const std::string command = argv[1];
    if (command == "--help" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    Args args;
    std::string error;
    if (!SplitArgs(argc, argv, args, error))
        return Usage(error);
    if (command == "build")
        return Build(args);
    if (command == "list" || command == "check")
        return ListOrCheck(args, command == "list");
    if (command == "image")
        return Image(args);
    if (command == "samples")
        return Samples(args);
    return Usage("unknown command " + command);
}
