#pragma once
// The settings tree shared by the console and the Qt demo: \Root\Scope\{Gain, Offset} and
// \Root\Channels, an array of channel composites that creates its own elements.

#include <mox/mox.h>

#include <cstdio>
#include <string>

namespace demo {

// The scope's input channels: an array of composites, each with a user name (its label) and a
// scale. The array creates its own elements, both when asked and when a saved tree is restored.
class ChannelArray : public CmoxArrayCell {
  public:
    ChannelArray() : CmoxArrayCell("Channels") {}
    CmoxCell* CreateAndAdd() override {
        std::string name;
        CmoxCell* channel = NewChannel(NewChildName(name).c_str());
        Add(channel);
        return channel;
    }
    void CreateAddRestoreElement(CmoxArchive& archive, std::string& className,
                                 const char* name) override {
        if (className != "CmoxCompositeCell") throw MOX_RESTORE_DECLINED;
        CmoxCell* channel = NewChannel(name);
        Add(channel);
        channel->RestoreUserName(archive);
        channel->Restore(archive);
    }

  private:
    static CmoxCell* NewChannel(const char* name) {
        auto* channel = new CmoxCompositeCell(name);
        channel->AddChild(new CmoxStringCell(MOX_USER_NAME, ""));
        channel->AddChild(new CmoxDoubleCell("Scale", 1.0));
        return channel;
    }
};

// The demo's settings: \Root\Scope\{Gain, Offset} and \Root\Channels.
struct Settings {
    CmoxCompositeCell root{"Root"};
    CmoxCompositeCell* scope = new CmoxCompositeCell("Scope");
    CmoxLongCell* gain = new CmoxLongCell("Gain", 1);
    CmoxLongCell* offset = new CmoxLongCell("Offset", 0);
    ChannelArray* channels = new ChannelArray;

    Settings() {
        root.AddChild(scope, 1);
        scope->AddChild(gain, 1);
        scope->AddChild(offset, 1);
        root.AddChild(channels, 1);
        AddChannel("Probe A", 1.0);
        AddChannel("Probe B", 10.0);
    }
    void AddChannel(const char* label, double scale) {
        auto* channel = static_cast<CmoxCompositeCell*>(channels->CreateAndAdd());
        channel->UserName(label);
        channel->SetChildDouble("Scale", scale);
    }
    void Print() const {
        std::printf("  Gain=%ld Offset=%ld Channels:", gain->Value(), offset->Value());
        for (int i = 0; i < channels->GetSize(); ++i) {
            auto* channel = static_cast<CmoxCompositeCell*>(channels->GetAt(i));
            std::printf(" %s \"%s\" x%g", channel->Name().c_str(), channel->UserName(),
                        channel->GetChildDouble("Scale"));
        }
        std::printf("\n");
    }
};

} // namespace demo
