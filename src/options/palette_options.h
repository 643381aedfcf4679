// The palette's option state: what each control holds, and the rules its handlers apply when
// a value changes. Pure data with no dependencies, so that label writers, the area table and
// the commands can read options without depending on the palette controller or a window.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "text/rounding.h"

namespace tarsel::options {

inline constexpr int kNextNumberMin = 1;
inline constexpr int kNextNumberMax = 1000;
inline constexpr int kDigitsMax = 6;  // Keta1..Keta3 up-downs: 0..6
inline constexpr int kScaleMax = 3;   // Syakudo, Jouritu up-downs: 0..3 (1 : 10^n)

// A number field whose text does not convert. The command frame ends the command quietly on
// it, exactly as on a failing automation call: the palette never validates its fields.
class NumberFieldError : public std::runtime_error {
public:
    NumberFieldError(std::string field, std::string text);
    [[nodiscard]] const std::string& field() const noexcept { return field_; }
    [[nodiscard]] const std::string& text() const noexcept { return text_; }

private:
    std::string field_;
    std::string text_;
};

// Reads a number-as-text field ("300", " 8.0 ", "-1.5e2") as text::ParseDecimal reads it:
// locale-free, blanks around it dropped, one sign at most. Empty text, trailing garbage, a
// second sign, inf and nan raise NumberFieldError naming the field.
[[nodiscard]] double ParseNumberField(std::string_view field, std::string_view text);

// The decimal text of the integer part of 10^position, as the read-only scale fields show it
// ("1", "10", "100", "1000").
[[nodiscard]] std::string PowerOfTenText(int position);

class PaletteOptions {
public:
    // Settings keys that a job or the settings file may set, in the settings file's order,
    // followed by "NextNumber" (not persisted, but settable by a job).
    [[nodiscard]] static const std::vector<std::string>& Keys();

    // Sets an option by its settings key from text, applying the control's own rule: up-down
    // positions clamp to their range, rounding modes and the method accept only their values,
    // booleans accept 1/0/true/false. Returns an error text (naming key and value) when the
    // key is unknown or the value does not fit; the option is then unchanged.
    [[nodiscard]] std::optional<std::string> SetOption(std::string_view key,
                                                       std::string_view value);
    // The option's current value as text (booleans as "1"/"0"); nullopt for an unknown key.
    [[nodiscard]] std::optional<std::string> GetOption(std::string_view key) const;

    // --- RadioGroup1 "求積": 0 ヘロン (three sides), 1 三斜 (base and height).
    [[nodiscard]] int Kyuuseki() const { return kyuuseki_; }
    // RadioGroup1Click: retitles the first tab and swaps the enabled width fields. An index
    // above 1 is taken as 1 and below 0 as 0, as a two-item radio group clamps it.
    void SetKyuuseki(int itemIndex);
    [[nodiscard]] const std::string& TabSheet2Caption() const { return tabSheet2Caption_; }
    [[nodiscard]] bool Edit11Enabled() const { return kyuuseki_ == 0; }  // "幅1"
    [[nodiscard]] bool Edit20Enabled() const { return kyuuseki_ != 0; }  // "幅2"

    // --- Decimals: UpDown2/Edit7 (lengths), UpDown6/Edit18 (areas), UpDown1/Edit4 (total).
    // Each setter is the up-down's click: the position clamps to 0..6 and the process-wide
    // decimals follow.
    [[nodiscard]] int Keta1() const { return keta1_; }
    [[nodiscard]] int Keta2() const { return keta2_; }
    [[nodiscard]] int Keta3() const { return keta3_; }
    void SetKeta1(int position);  // UpDown2Click
    void SetKeta2(int position);  // UpDown6Click
    void SetKeta3(int position);  // UpDown1Click

    // --- Rounding modes: RadioButton1-3 (lengths), 4-6 (areas), 7-9 (total). The setter
    // checks the button of that index and the process-wide mode follows; an index outside
    // 0..2 checks the first button ("切捨"), as a stored value outside the range loads.
    [[nodiscard]] int Nagasa() const { return nagasa_; }
    [[nodiscard]] int Menseki() const { return menseki_; }
    [[nodiscard]] int Goukei() const { return goukei_; }
    void SetNagasa(int mode);   // RadioButton1Click
    void SetMenseki(int mode);  // RadioButton4Click
    void SetGoukei(int mode);   // RadioButton7Click

    // The process-wide copies (digits and modes) that label writers and the area table read.
    [[nodiscard]] const text::FigureRounding& Rounding() const { return rounding_; }

    // --- Scales: UpDown3 with Edit8 (drawing scale), UpDown5 with Edit17 (side values a, b).
    [[nodiscard]] int Syakudo() const { return syakudo_; }
    [[nodiscard]] int Jouritu() const { return jouritu_; }
    void SetSyakudo(int position);  // UpDown3Click: clamps 0..3, Edit8 := 10^position
    void SetJouritu(int position);  // UpDown5Click: clamps 0..3, Edit17 := 10^position
    [[nodiscard]] const std::string& Edit8Text() const { return edit8Text_; }
    [[nodiscard]] const std::string& Edit17Text() const { return edit17Text_; }

    // --- Layers.
    std::string M_Layer = "H_TEXT";    // Edit12 "文字": texts and number circles
    std::string H_Layer = "H_HEN";     // Edit15 "辺の線分": triangle side lines
    std::string T_Layer = "H_TAKASA";  // Edit19 "高さ線分": height lines (三斜)

    // --- Number-as-text fields, held as the user typed them; read with ParseNumberField
    // when a command runs.
    std::string M_Taka1 = "300";  // Edit3 "文字高": side and height text height
    std::string N_Taka1 = "400";  // Edit5 "番号字高": triangle number text height
    std::string Hankei1 = "500";  // Edit6 "番号半径": number circle radius
    std::string M_Taka2 = "400";  // Edit9: area-table text height
    std::string G_Taka = "800";   // Edit10 "行高": area-table row height
    std::string Haba1 = "1500,3000,3000,3000,4500";  // Edit11 "幅1": widths for ヘロン
    std::string Haba2 = "1500,3000,3000,4500";       // Edit20 "幅2": widths for 三斜
    std::string Kakudo = "180.0";                    // Edit13 "角度": text rotation, degrees
    std::string Yajirusi = "400";                    // Edit14: leader arrowhead size, drawing units
    std::string A_Hen = "8.0";                       // Edit1 "a辺"
    std::string B_Hen = "10.0";                      // Edit2 "b辺"

    // --- Check boxes.
    bool AllData = true;       // CheckBox2 "全データ"
    bool AutoCheck = false;    // CheckBox1 "作成側自動" (stored only)
    bool UseTextStyle = true;  // CheckBox4 (stored only)
    [[nodiscard]] bool Leader() const { return leader_; }
    void SetLeader(bool checked);  // CheckBox3Click: Edit14 enabled := checked
    [[nodiscard]] bool Edit14Enabled() const { return leader_; }

    // --- UpDown4 / Edit16 "No.": the next triangle number, 1..1000, never persisted.
    [[nodiscard]] int NextNumber() const { return nextNumber_; }
    void SetNextNumber(int position);  // clamps to 1..1000
    // The labelling pass's step: position + 1, so 1000 stays 1000.
    void AdvanceNextNumber() { SetNextNumber(nextNumber_ + 1); }
    [[nodiscard]] std::string Edit16Text() const { return std::to_string(nextNumber_); }

private:
    int kyuuseki_ = 0;
    std::string tabSheet2Caption_ = "ヘロン";
    int keta1_ = 2;
    int keta2_ = 4;
    int keta3_ = 2;
    int nagasa_ = 1;
    int menseki_ = 1;
    int goukei_ = 1;
    text::FigureRounding rounding_;
    int syakudo_ = 3;
    int jouritu_ = 3;
    std::string edit8Text_ = "1000";
    std::string edit17Text_ = "1000";
    bool leader_ = true;
    int nextNumber_ = 1;
};

}  // namespace tarsel::options
