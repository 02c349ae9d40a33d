// Canonical stored texts: each reads into a box and is written back byte for
// byte. They use the objects of richtext::TSamplePage.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testfix {

struct Fixture {
    const char* name;
    std::string text;  // without the trailing NUL
};

inline const std::vector<Fixture>& Canonical() {
    static const std::vector<Fixture> k = {
        {"new_page", "<Z S0 >"},
        {"plain", "<Z S0 >Ciao mondo"},
        {"escapes", "<Z S0 >a &amp; b &lt;c&gt; \"d\" 'e'"},
        {"latin1", "<Z S0 >citt\xE0 perch\xE9 \xA0\xFF\x80"},
        {"para_every_key",
         "<Z S2 c0000FF F\"Arial\" s14 y3 p1 P5 A2 N6 M3 L20 I-10 l30 r5 t4 b6 C00FF00 S16 Y1 >Titolo"},
        {"para_some_keys", "<Z S0 A1 l-5 >destra<Z S2 >secondo<Z S0 N10 >punto"},
        {"runs", "<Z S0 >ab<Y cFF0000 >cd<Y F\"Courier New\" s10 y1 >ef<Y p2 >g<Y >h"},
        {"run_in_coloured_para", "<Z S0 c00FF00 >verde<Y c000000 >nero<Y c00FF00 >verde"},
        {"links", "<Z S0 >vai <$00000003>qui<%> o <$03000001>l\xE0<%> o <$6F000000>l\xEC<%>."},
        {"link_to_link", "<Z S0 ><$00000001>a<$6F000002>b<%>c"},
        {"link_with_run", "<Z S0 ><$6F000000>ab<Y y1 >cd<%>ef"},
        {"picture", "<Z S0 >x<$FF000000>y<$FF000003>"},
        {"picture_in_link", "<Z S0 ><$03000002><$FF000000><%> e <$FF000004>"},
        {"table",
         "<Z S0 >Prima<Z S0 ><$FF000001><Z S1 >a<T><Z S1 >b<Y y2 >c<T><Z S1 ><T><Z S1 >d<Z S1 >e<T><Z S0 >Dopo"},
        {"nested_tables",
         "<Z S0 ><$FF000001><Z S1 ><$FF000002><Z S1 >dentro<T><T><Z S1 >b<T><Z S1 ><$FF000005><Z S1 >"
         "<$FF000000><T><T><Z S1 >d<T>"},
        {"new_cell_text", "<Z S0 ><$FF000002><Z S1 ><T>"},
        {"empty_paragraphs", "<Z S0 ><Z S0 ><Z S2 >"},
        {"measures", "<Z S0 I-38 l48 >lista<Z S0 L0 t10 b-3 >spazi"},
        {"font_name_para", "<Z S0 F\"Liberation Serif\" s9 >x<Y F\"Una famiglia dal nome lungo\" s9 >y"},
        {"entity_gt_in_link", "<Z S0 ><$00000000>&lt;a&gt;<%>&amp;"},
    };
    return k;
}

}  // namespace testfix
