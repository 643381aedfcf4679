// A running minicad: the document, its command line, the user at its prompts, and the
// automation object (the "Application" a CAD publishes under its ProgID) through which
// commands reach all of it. Also the hooks tests use to make the CAD fail or be busy.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "cadlink/automation.h"
#include "minicad/command_line.h"
#include "minicad/document.h"
#include "minicad/dxf.h"
#include "minicad/user_input.h"

namespace tarsel::minicad {

// The text a cancelled prompt fails with (DISP_E_EXCEPTION).
inline constexpr std::string_view kCancelText = "*Cancel*";
// DISP_E_MEMBERNOTFOUND: a put on a read-only property, or a get on a write-only one.
inline constexpr std::int32_t kMemberNotFound = static_cast<std::int32_t>(0x80020003);

class Application {
public:
    // A new minicad with an empty metric drawing and nobody at the keyboard.
    static std::shared_ptr<Application> Create();
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The automation object (Application): HWND, ActiveDocument, Get*State, ...
    [[nodiscard]] cadlink::ObjectRef Object();

    [[nodiscard]] Document& document();
    [[nodiscard]] CommandLine& commandLine();

    // Opens a DXF drawing in place of the current one (raises DxfError); the view is
    // then zoomed to the drawing's extents, which sets VIEWSIZE.
    void Open(const std::filesystem::path& path, const DxfReadOptions& options = {});
    // Written whole to a temporary file and renamed into place (raises on failure). Without a
    // version, in the version the drawing was read in (R2018 for one created here); dropped
    // receives what a conversion to another version leaves out.
    void Save(const std::filesystem::path& path, std::optional<DxfVersion> version = std::nullopt,
              DxfNotes* dropped = nullptr) const;

    // The user at the prompts; nullptr means nobody (every prompt is cancelled).
    void SetUserInput(std::shared_ptr<UserInput> input);
    [[nodiscard]] UserInput& userInput();

    // The nth call (1 = the next one) to member, on any object, fails with hresult and
    // text instead of running. Each armed failure fires once; several may be armed.
    void FailCall(std::string_view member, int nth, std::int32_t hresult, std::string text);
    // IsQuiescent answers false for the next polls reads.
    void SetBusyPolls(int polls);
    // Calls made to member (any object, case-insensitive) since creation.
    [[nodiscard]] int CallCount(std::string_view member) const;
    // How often IsQuiescent was read.
    [[nodiscard]] int QuiescentPolls() const;

    // The main window handle the CAD reports through HWND: stable and non-zero.
    [[nodiscard]] std::int64_t Hwnd() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace tarsel::minicad
