#include "options/palette_options.h"

#include <algorithm>

#include "text/names.h"
#include "text/numbers.h"

namespace tarsel::options {
namespace {

// Option keys in the settings file's order, then the counter.
const std::vector<std::string> kKeys = {
    "Kakudo",    "Yajirusi", "Leader",  "Kyuuseki", "AllData", "A_Hen",        "B_Hen",
    "AutoCheck", "Jouritu",  "Syakudo", "Keta1",    "Keta2",   "Keta3",        "M_Layer",
    "H_Layer",   "T_Layer",  "Nagasa",  "Menseki",  "Goukei",  "M_Taka1",      "N_Taka1",
    "Hankei1",   "M_Taka2",  "G_Taka",  "Haba1",    "Haba2",   "UseTextStyle", "NextNumber"};

std::optional<bool> ParseBool(std::string_view text) {
    const std::string_view t = text::Trim(text);
    if (t == "1" || t == "true" || t == "True" || t == "TRUE") return true;
    if (t == "0" || t == "false" || t == "False" || t == "FALSE") return false;
    return std::nullopt;
}

std::string BadValue(std::string_view key, std::string_view value, std::string_view expected) {
    return "option " + std::string(key) + ": \"" + std::string(value) + "\" is not " +
           std::string(expected);
}

}  // namespace

NumberFieldError::NumberFieldError(std::string field, std::string text)
    : std::runtime_error("field " + field + ": \"" + text + "\" is not a number"),
      field_(std::move(field)),
      text_(std::move(text)) {}

double ParseNumberField(std::string_view field, std::string_view text) {
    const std::optional<double> value = text::ParseDecimal(text);
    if (!value) throw NumberFieldError(std::string(field), std::string(text));
    return *value;
}

std::string PowerOfTenText(int position) {
    // The up-downs hold 0..3, so the power is exact in any precision.
    long long value = 1;
    for (int i = 0; i < position; ++i) value *= 10;
    return std::to_string(value);
}

const std::vector<std::string>& PaletteOptions::Keys() {
    return kKeys;
}

void PaletteOptions::SetKyuuseki(int itemIndex) {
    kyuuseki_ = std::clamp(itemIndex, 0, 1);
    tabSheet2Caption_ = kyuuseki_ != 0 ? "三斜" : "ヘロン";
}

void PaletteOptions::SetKeta1(int position) {
    keta1_ = std::clamp(position, 0, kDigitsMax);
    rounding_.lengthDigits = keta1_;
}

void PaletteOptions::SetKeta2(int position) {
    keta2_ = std::clamp(position, 0, kDigitsMax);
    rounding_.areaDigits = keta2_;
}

void PaletteOptions::SetKeta3(int position) {
    keta3_ = std::clamp(position, 0, kDigitsMax);
    rounding_.totalDigits = keta3_;
}

namespace {
int CheckedRoundingButton(int mode) {
    return (mode == 1 || mode == 2) ? mode : 0;
}
}  // namespace

void PaletteOptions::SetNagasa(int mode) {
    nagasa_ = CheckedRoundingButton(mode);
    rounding_.lengthMode = nagasa_;
}

void PaletteOptions::SetMenseki(int mode) {
    menseki_ = CheckedRoundingButton(mode);
    rounding_.areaMode = menseki_;
}

void PaletteOptions::SetGoukei(int mode) {
    goukei_ = CheckedRoundingButton(mode);
    rounding_.totalMode = goukei_;
}

void PaletteOptions::SetSyakudo(int position) {
    syakudo_ = std::clamp(position, 0, kScaleMax);
    edit8Text_ = PowerOfTenText(syakudo_);
}

void PaletteOptions::SetJouritu(int position) {
    jouritu_ = std::clamp(position, 0, kScaleMax);
    edit17Text_ = PowerOfTenText(jouritu_);
}

void PaletteOptions::SetLeader(bool checked) {
    leader_ = checked;
}

void PaletteOptions::SetNextNumber(int position) {
    nextNumber_ = std::clamp(position, kNextNumberMin, kNextNumberMax);
}

std::optional<std::string> PaletteOptions::SetOption(std::string_view key, std::string_view value) {
    struct TextField {
        const char* key;
        std::string PaletteOptions::*field;
    };
    static const TextField kTextFields[] = {
        {"M_Layer", &PaletteOptions::M_Layer}, {"H_Layer", &PaletteOptions::H_Layer},
        {"T_Layer", &PaletteOptions::T_Layer}, {"M_Taka1", &PaletteOptions::M_Taka1},
        {"N_Taka1", &PaletteOptions::N_Taka1}, {"Hankei1", &PaletteOptions::Hankei1},
        {"M_Taka2", &PaletteOptions::M_Taka2}, {"G_Taka", &PaletteOptions::G_Taka},
        {"Haba1", &PaletteOptions::Haba1},     {"Haba2", &PaletteOptions::Haba2},
        {"Kakudo", &PaletteOptions::Kakudo},   {"Yajirusi", &PaletteOptions::Yajirusi},
        {"A_Hen", &PaletteOptions::A_Hen},     {"B_Hen", &PaletteOptions::B_Hen},
    };
    for (const auto& f : kTextFields) {
        if (key == f.key) {
            this->*(f.field) = std::string(value);
            return std::nullopt;
        }
    }

    struct BoolField {
        const char* key;
        void (*set)(PaletteOptions&, bool);
    };
    static const BoolField kBoolFields[] = {
        {"AllData", [](PaletteOptions& o, bool v) { o.AllData = v; }},
        {"AutoCheck", [](PaletteOptions& o, bool v) { o.AutoCheck = v; }},
        {"UseTextStyle", [](PaletteOptions& o, bool v) { o.UseTextStyle = v; }},
        {"Leader", [](PaletteOptions& o, bool v) { o.SetLeader(v); }},
    };
    for (const auto& f : kBoolFields) {
        if (key == f.key) {
            const auto b = ParseBool(value);
            if (!b) return BadValue(key, value, "a boolean (1, 0, true, false)");
            f.set(*this, *b);
            return std::nullopt;
        }
    }

    // Integer fields: up-downs clamp to their range (as the control does); the method and
    // the rounding modes are radio buttons, so a value they cannot show is an error here
    // rather than a silently different figure.
    struct IntField {
        const char* key;
        int min;
        int max;
        bool clamps;
        void (*set)(PaletteOptions&, int);
    };
    static const IntField kIntFields[] = {
        {"Kyuuseki", 0, 1, false, [](PaletteOptions& o, int v) { o.SetKyuuseki(v); }},
        {"Keta1", 0, kDigitsMax, true, [](PaletteOptions& o, int v) { o.SetKeta1(v); }},
        {"Keta2", 0, kDigitsMax, true, [](PaletteOptions& o, int v) { o.SetKeta2(v); }},
        {"Keta3", 0, kDigitsMax, true, [](PaletteOptions& o, int v) { o.SetKeta3(v); }},
        {"Nagasa", 0, 2, false, [](PaletteOptions& o, int v) { o.SetNagasa(v); }},
        {"Menseki", 0, 2, false, [](PaletteOptions& o, int v) { o.SetMenseki(v); }},
        {"Goukei", 0, 2, false, [](PaletteOptions& o, int v) { o.SetGoukei(v); }},
        {"Syakudo", 0, kScaleMax, true, [](PaletteOptions& o, int v) { o.SetSyakudo(v); }},
        {"Jouritu", 0, kScaleMax, true, [](PaletteOptions& o, int v) { o.SetJouritu(v); }},
        {"NextNumber", kNextNumberMin, kNextNumberMax, true,
         [](PaletteOptions& o, int v) { o.SetNextNumber(v); }},
    };
    for (const auto& f : kIntFields) {
        if (key == f.key) {
            const auto n = text::ParseInteger(value);
            if (!n) return BadValue(key, value, "an integer");
            if (!f.clamps && (*n < f.min || *n > f.max)) {
                return BadValue(key, value,
                                "in " + std::to_string(f.min) + ".." + std::to_string(f.max));
            }
            const long long clamped = std::clamp<long long>(*n, f.min, f.max);
            f.set(*this, static_cast<int>(clamped));
            return std::nullopt;
        }
    }
    return "unknown option " + std::string(key);
}

std::optional<std::string> PaletteOptions::GetOption(std::string_view key) const {
    auto b = [](bool v) { return std::string(v ? "1" : "0"); };
    if (key == "M_Layer") return M_Layer;
    if (key == "H_Layer") return H_Layer;
    if (key == "T_Layer") return T_Layer;
    if (key == "M_Taka1") return M_Taka1;
    if (key == "N_Taka1") return N_Taka1;
    if (key == "Hankei1") return Hankei1;
    if (key == "M_Taka2") return M_Taka2;
    if (key == "G_Taka") return G_Taka;
    if (key == "Haba1") return Haba1;
    if (key == "Haba2") return Haba2;
    if (key == "Kakudo") return Kakudo;
    if (key == "Yajirusi") return Yajirusi;
    if (key == "A_Hen") return A_Hen;
    if (key == "B_Hen") return B_Hen;
    if (key == "AllData") return b(AllData);
    if (key == "AutoCheck") return b(AutoCheck);
    if (key == "UseTextStyle") return b(UseTextStyle);
    if (key == "Leader") return b(leader_);
    if (key == "Kyuuseki") return std::to_string(kyuuseki_);
    if (key == "Keta1") return std::to_string(keta1_);
    if (key == "Keta2") return std::to_string(keta2_);
    if (key == "Keta3") return std::to_string(keta3_);
    if (key == "Nagasa") return std::to_string(nagasa_);
    if (key == "Menseki") return std::to_string(menseki_);
    if (key == "Goukei") return std::to_string(goukei_);
    if (key == "Syakudo") return std::to_string(syakudo_);
    if (key == "Jouritu") return std::to_string(jouritu_);
    if (key == "NextNumber") return std::to_string(nextNumber_);
    return std::nullopt;
}

}  // namespace tarsel::options
