// The three transport library wrappers. They share one behaviour (CDllT71) and differ
// only in the library file they stand for.
#pragma once

#include "comm/CDllBase.h"

class CDllT71 : public CDllBase {
  public:
    // Loads the library and binds its T71_COMM; a library without it is freed again.
    int Load(const std::string& path) override;
    void Unload() override;
    // Command 0; on success keeps the record's major and minor numbers.
    int GetVersion(t71::VersionRecord& record) override;
    // Command 5: answer 2 sets the status flag, 0 clears it; 0 for any other answer.
    virtual int QueryStatus();
};

class CDllT71HB10 final : public CDllT71 {
  public:
    static constexpr const char* kFileName = "Z9hb10_Comm.so";
};

class CDllT71HB20 final : public CDllT71 {
  public:
    static constexpr const char* kFileName = "Z9hb20_Comm.so";
};

class CDllT71HB30_BLEDongle final : public CDllT71 {
  public:
    static constexpr const char* kFileName = "HB30.so";
};
