#include "options/settings_file.h"

#include "text/paths.h"

namespace tarsel::options {
std::filesystem::path SettingsPathFor(const std::filesystem::path& executable) {
    std::filesystem::path path = executable;
    path.replace_extension(".ini");
    return path;
}

void ReadSettings(const ProfileFile& p, const ScreenLayout& layout, PaletteSettings& s) {
    const std::string_view f = kFormSection;
    s.position.Top = p.ReadInteger(f, "Top", (layout.screenHeight - layout.paletteHeight) / 2);
    s.position.Left = p.ReadInteger(f, "Left", (layout.screenWidth - layout.paletteWidth) / 2);

    const std::string_view o = kOptionsSection;
    PaletteOptions& opt = s.options;
    opt.Kakudo = p.ReadString(o, "Kakudo", "180.0");
    opt.Yajirusi = p.ReadString(o, "Yajirusi", "400.0");
    opt.SetLeader(p.ReadBool(o, "Leader", true));
    opt.SetKyuuseki(p.ReadInteger(o, "Kyuuseki", 0));
    opt.AllData = p.ReadBool(o, "AllData", true);
    opt.A_Hen = p.ReadString(o, "A_Hen", "8.0");
    opt.B_Hen = p.ReadString(o, "B_Hen", "10.0");
    opt.AutoCheck = p.ReadBool(o, "AutoCheck", true);
    opt.SetJouritu(p.ReadInteger(o, "Jouritu", 3));
    opt.SetSyakudo(p.ReadInteger(o, "Syakudo", 3));
    opt.SetKeta1(p.ReadInteger(o, "Keta1", 2));
    opt.SetKeta2(p.ReadInteger(o, "Keta2", 4));
    opt.SetKeta3(p.ReadInteger(o, "Keta3", 2));
    opt.M_Layer = p.ReadString(o, "M_Layer", "H_TEXT");
    opt.H_Layer = p.ReadString(o, "H_Layer", "H_HEN");
    opt.T_Layer = p.ReadString(o, "T_Layer", "H_TAKASA");
    opt.SetNagasa(p.ReadInteger(o, "Nagasa", 1));
    opt.SetMenseki(p.ReadInteger(o, "Menseki", 1));
    opt.SetGoukei(p.ReadInteger(o, "Goukei", 1));
    opt.M_Taka1 = p.ReadString(o, "M_Taka1", "300");
    opt.N_Taka1 = p.ReadString(o, "N_Taka1", "400");
    opt.Hankei1 = p.ReadString(o, "Hankei1", "500");
    opt.M_Taka2 = p.ReadString(o, "M_Taka2", "400");
    opt.G_Taka = p.ReadString(o, "G_Taka", "800");
    opt.Haba1 = p.ReadString(o, "Haba1", "1500,3000,3000,3000,4500");
    opt.Haba2 = p.ReadString(o, "Haba2", "1500,3000,3000,4500");
    opt.UseTextStyle = p.ReadBool(o, "UseTextStyle", true);
    s.target.ProgID = p.ReadString(o, "ProgId", s.target.ProgID);
    s.target.CadName = p.ReadString(o, "cadName", s.target.CadName);
}

void WriteSettings(const PaletteSettings& s, ProfileFile& p) {
    const std::string_view f = kFormSection;
    p.WriteInteger(f, "Top", s.position.Top);
    p.WriteInteger(f, "Left", s.position.Left);

    const std::string_view o = kOptionsSection;
    const PaletteOptions& opt = s.options;
    p.WriteString(o, "Kakudo", opt.Kakudo);
    p.WriteString(o, "Yajirusi", opt.Yajirusi);
    p.WriteBool(o, "Leader", opt.Leader());
    p.WriteInteger(o, "Kyuuseki", opt.Kyuuseki());
    p.WriteBool(o, "AllData", opt.AllData);
    p.WriteString(o, "A_Hen", opt.A_Hen);
    p.WriteString(o, "B_Hen", opt.B_Hen);
    p.WriteBool(o, "AutoCheck", opt.AutoCheck);
    p.WriteInteger(o, "Jouritu", opt.Jouritu());
    p.WriteInteger(o, "Syakudo", opt.Syakudo());
    p.WriteInteger(o, "Keta1", opt.Keta1());
    p.WriteInteger(o, "Keta2", opt.Keta2());
    p.WriteInteger(o, "Keta3", opt.Keta3());
    p.WriteString(o, "M_Layer", opt.M_Layer);
    p.WriteString(o, "H_Layer", opt.H_Layer);
    p.WriteString(o, "T_Layer", opt.T_Layer);
    // The process-wide modes, which the checked buttons always equal.
    p.WriteInteger(o, "Nagasa", opt.Rounding().lengthMode);
    p.WriteInteger(o, "Menseki", opt.Rounding().areaMode);
    p.WriteInteger(o, "Goukei", opt.Rounding().totalMode);
    p.WriteString(o, "M_Taka1", opt.M_Taka1);
    p.WriteString(o, "N_Taka1", opt.N_Taka1);
    p.WriteString(o, "Hankei1", opt.Hankei1);
    p.WriteString(o, "M_Taka2", opt.M_Taka2);
    p.WriteString(o, "G_Taka", opt.G_Taka);
    p.WriteString(o, "Haba1", opt.Haba1);
    p.WriteString(o, "Haba2", opt.Haba2);
    p.WriteBool(o, "UseTextStyle", opt.UseTextStyle);
    p.WriteString(o, "ProgId", s.target.ProgID);
    p.WriteString(o, "cadName", s.target.CadName);
}

SettingsLoad LoadSettingsFile(const std::filesystem::path& path, const ScreenLayout& layout,
                              PaletteSettings& settings) {
    const ProfileFile profile = ProfileFile::Load(path);
    if (!profile.Existed()) return {false, profile.Encoding()};
    ReadSettings(profile, layout, settings);
    return {true, profile.Encoding()};
}

TextEncoding SaveSettingsFile(const std::filesystem::path& path, const PaletteSettings& settings) {
    // Read again now: the user may have edited other sections while the palette was open,
    // and those edits must survive the save.
    ProfileFile profile = ProfileFile::Load(path);
    try {
        WriteSettings(settings, profile);
    } catch (const ProfileFileError& e) {
        throw ProfileFileError("cannot save " + text::Utf8FromPath(path) + ": " + e.what());
    }
    profile.Save(path);
    return profile.Encoding();
}

}  // namespace tarsel::options
