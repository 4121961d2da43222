#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "finder/context/Escapes.h"
#include "finder/context/SourceContext.h"

namespace {

using context::Classifier;
using context::Labels;
using context::Position;

// The labels as their names joined by ",".
std::string Names(Labels labels) {
  std::string names;
  for (int i = 0; i < context::kLabelCount; ++i) {
    const auto label = static_cast<context::Label>(i);
    if ((labels & context::Bit(label)) == 0) continue;
    if (!names.empty()) names += ",";
    names += context::LabelName(label);
  }
  return names;
}

// Where each of the words stands in text (its first occurrence after the
// previous word's), as the findings give it.
std::vector<Position> Places(std::string_view text, const std::vector<std::string>& words) {
  std::vector<Position> places;
  std::size_t from = 0;
  for (const std::string& word : words) {
    const std::size_t at = text.find(word, from);
    EXPECT_NE(at, std::string_view::npos) << word;
    if (at == std::string_view::npos) break;
    from = at + word.size();
    const std::size_t lineStart = text.rfind('\n', at) == std::string_view::npos ? 0 : text.rfind('\n', at) + 1;
    Position place;
    place.line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
    place.column = 1;
    for (std::size_t k = lineStart; k < at; ++k)
      if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) ++place.column;
    places.push_back(place);
  }
  return places;
}

// The labels of the words (each a distinct text in order), "word=labels" a line.
std::string Labelled(std::string_view path, std::string_view text, const std::vector<std::string>& words,
                     const context::CallNames& calls = {}) {
  const Classifier classifier(calls);
  const std::vector<Position> places = Places(text, words);
  std::vector<Labels> labels;
  classifier.Classify(path, text, places, labels);
  std::string out;
  for (std::size_t k = 0; k < labels.size(); ++k) out += words[k] + "=" + Names(labels[k]) + "\n";
  return out;
}

}  // namespace

// "word=labels" lines for the words, in order.
std::string Expected(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  std::string out;
  for (const auto& [word, labels] : pairs) out += std::string(word) + "=" + labels + "\n";
  return out;
}

std::vector<std::string> Words(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  std::vector<std::string> words;
  for (const auto& pair : pairs) words.emplace_back(pair.first);
  return words;
}

#define EXPECT_LABELS(path, text, ...)                                                   \
  do {                                                                                   \
    const std::initializer_list<std::pair<const char*, const char*>> want = __VA_ARGS__; \
    EXPECT_EQ(Labelled(path, text, Words(want)), Expected(want)) << path;               \
  } while (false)

TEST(ContextTest, CFamilyRawStringsCharactersAndNesting) {
  EXPECT_LABELS("a.cpp",
                "auto s = R\"x(原始 )\" 仍在)x\"; // 注释\n"
                "char c = '中'; int n = 1'000; /* 块 */ QString a = tr(\"界面\");\n"
                "printf(\"输出 %d\\n\", n); std::string k = \"// 非注释\";\n",
                {{"原始", "string"}, {"仍在", "string"}, {"注释", "comment"}, {"中", "string"}, {"块", "comment"},
                 {"界面", "string,i18n"}, {"输出", "string,log"}, {"非注释", "string"}});
  // Block comments nest; a lifetime is no character literal; macros log.
  EXPECT_LABELS("a.rs",
                "/* 外 /* 内 */ 仍 */ let s = r#\"原 \"引\" 文\"#;\n"
                "fn f<'a>(x: &'a str) -> char { '字' }\n"
                "println!(\"宏 {}\", x); let e = \"多\n行\";\n",
                {{"外", "comment"}, {"内", "comment"}, {"仍", "comment"}, {"原", "string"}, {"引", "string"},
                 {"文", "string"}, {"字", "string"}, {"宏", "string,log"}, {"多", "string"}, {"行", "string"}});
  EXPECT_LABELS("a.go", "s := `反引号\n多行` // 注释\nfmt.Printf(\"格式\"); err := errors.New(\"错误\")\n",
                {{"反引号", "string"}, {"多行", "string"}, {"注释", "comment"}, {"格式", "string,log"},
                 {"错误", "string"}});
  EXPECT_LABELS("a.cs", "var v = @\"逐字 \"\"引\"\" \n续\"; var r = \"\"\"原 \"号\" \"\"\"; Console.WriteLine(\"台\");\n",
                {{"逐字", "string"}, {"引", "string"}, {"续", "string"}, {"原", "string"}, {"号", "string"},
                 {"台", "string,log"}});
  // Interpolations hold code, and strings again.
  EXPECT_LABELS("a.kt", "val s = \"\"\"原 ${f(\"插\")} 尾\"\"\"; Log.d(TAG, \"安卓\")\n",
                {{"原", "string"}, {"插", "string"}, {"尾", "string"}, {"安卓", "string,log"}});
  EXPECT_LABELS("a.swift", "let s = #\"原 \"引\" \\(不插)\"#; let t = \"插 \\(f(\"内\")) 尾\"; NSLog(\"苹果\")\n",
                {{"原", "string"}, {"引", "string"}, {"不插", "string"}, {"插", "string"}, {"内", "string"},
                 {"尾", "string"}, {"苹果", "string,log"}});
  EXPECT_LABELS("A.java", "String t = \"\"\"\n  文本块 \"引\"\n  \"\"\"; System.out.println(\"出\"); x = 变量;\n",
                {{"文本块", "string"}, {"引", "string"}, {"出", "string,log"}, {"变量", "code"}});
}

TEST(ContextTest, JavaScriptRegexTemplatesAndJsx) {
  EXPECT_LABELS("a.js",
                "const a = sum / 数量 / 2; const re = /匹配[/]正则/g; x = a\n"
                "const s = `模板 ${ok ? `内层 ${n} 甲` : '乙'} 外`;\n"
                "console.log(\"日志\" + x); alert(t('键', { d: '默认' })); // 注释 '非串'\n"
                "/* 多行 \"非串\"\n 注释 */ if (a) { } /单/.test(s);\n",
                {{"数量", "code"}, {"匹配", "string"}, {"正则", "string"}, {"模板", "string"}, {"内层", "string"},
                 {"甲", "string"}, {"乙", "string"}, {"外", "string"}, {"日志", "string,log"}, {"键", "string,i18n"},
                 {"默认", "string"}, {"注释", "comment"}, {"非串", "comment"}, {"多行", "comment"},
                 {"非串", "comment"}, {"注释", "comment"}, {"单", "string"}});
  EXPECT_LABELS("a.jsx",
                "const el = <div title=\"属性\" className={cls('类')}>\n"
                "  文本 {/* 块注释 */} {'表达式'} <br/>\n"
                "  <Child label={i18n.t(\"翻译\")} /> 尾 <>片段</>\n"
                "</div>; const after = '之后';\n",
                {{"属性", "attribute"}, {"类", "string"}, {"文本", "text"}, {"块注释", "comment"}, {"表达式", "string"},
                 {"翻译", "string,i18n"}, {"尾", "text"}, {"片段", "text"}, {"之后", "string"}});
  // A generic arrow function is no element.
  EXPECT_LABELS("a.tsx", "const f = <T,>(x: T) => x; const g = <T extends U>(y: T) => '串';\n",
                {{"串", "string"}});
  // TypeScript without JSX: "<" compares and casts.
  EXPECT_LABELS("a.ts", "let a = b < c ? '小' : '否'; const x = <T>y; // 注\n",
                {{"小", "string"}, {"否", "string"}, {"注", "comment"}});
}

TEST(ContextTest, PythonShellRubyAndToml) {
  EXPECT_LABELS("a.py",
                "def f():\n    \"\"\"文档\n    二行\"\"\"\n    x = r'原\\' 串'  # 注\n"
                "    print(\"印\"); logging.warning('警 %s', f(x, \"深\"))\n    return _(\"译\")\n"
                "s = '''三引\n续 # 非注'''\n",
                {{"文档", "comment"}, {"二行", "comment"}, {"原", "string"}, {"串", "string"}, {"注", "comment"},
                 {"印", "string,log"}, {"警", "string,log"}, {"深", "string,log"}, {"译", "string,i18n"},
                 {"三引", "string"}, {"续", "string"}, {"非注", "string"}});
  EXPECT_LABELS("a.sh",
                "echo \"回显 $(date \"+%Y 年\")\" # 注\ncat <<-EOF > out\n\t文档 # 非注\n\tEOF\n"
                "x=$((1#2)) y='单\n引'\n",
                {{"回显", "string"}, {"年", "string"}, {"注", "comment"}, {"文档", "string"}, {"非注", "string"},
                 {"单", "string"}, {"引", "string"}});
  EXPECT_LABELS("a.rb",
                "puts \"输出 #{n}\" # 注\ntext = <<~EOS\n  多行\nEOS\n=begin\n块\n=end\nlogger.info \"日志\"\n",
                {{"输出", "string,log"}, {"注", "comment"}, {"多行", "string"}, {"块", "comment"},
                 {"日志", "string,log"}});
  EXPECT_LABELS("a.toml", "# 注\nname = \"名\"\ndesc = '''多\n续'''\n",
                {{"注", "comment"}, {"名", "string"}, {"多", "string"}, {"续", "string"}});
}

TEST(ContextTest, SqlLuaStylesAndJson) {
  EXPECT_LABELS("a.sql",
                "-- 注\nSELECT \"列\", '串 ''引'' 续' FROM t; /* 块 */\n"
                "CREATE FUNCTION f() AS $$ SELECT '体' $$; -- 尾\n",
                {{"注", "comment"}, {"列", "code"}, {"串", "string"}, {"引", "string"}, {"续", "string"},
                 {"块", "comment"}, {"体", "string"}, {"尾", "comment"}});
  EXPECT_LABELS("a.lua", "--[==[ 长注\n续 ]==] local s = [[长串\n续行]] -- 注\nprint \"无括号\"\n",
                {{"长注", "comment"}, {"续", "comment"}, {"长串", "string"}, {"续行", "string"}, {"注", "comment"},
                 {"无括号", "string,log"}});
  EXPECT_LABELS("a.scss", "// 行注\n.a { background: url(http://例.com/a.png); content: \"内容\"; } /* 块 */\n",
                {{"行注", "comment"}, {"例", "code"}, {"内容", "string"}, {"块", "comment"}});
  EXPECT_LABELS("a.json", "{\"键\": \"值\", \"列\": [\"一\"]}\n",
                {{"键", "string"}, {"值", "string"}, {"列", "string"}, {"一", "string"}});
}

TEST(ContextTest, MarkupWithScriptStyleCommentsAndCdata) {
  EXPECT_LABELS("a.html",
                "<html><head><title>标题</title>\n<style>\n  body { font-family: \"宋体\"; } /* 样注 */\n</style>\n"
                "<script>\n  var s = \"脚本 </script><p>段</p><script> 续\"; // 脚注\n</script>\n"
                "<!-- 注\n  跨行 -->\n"
                "<p class=\"类\" onclick=\"alert('点')\">正文 &amp; {{ $t('双') }}</p>\n"
                "<![CDATA[ 数据 ]]><input value='单' placeholder=无引号>\n",
                {{"标题", "text"}, {"宋体", "string"}, {"样注", "comment"}, {"脚本", "string"}, {"段", "text"},
                 {"续", "code"}, {"脚注", "string"}, {"注", "comment"}, {"跨行", "comment"}, {"类", "attribute"},
                 {"点", "string"}, {"正文", "text"}, {"双", "string,i18n"}, {"数据", "text"}, {"单", "attribute"},
                 {"无引号", "attribute"}});
  // A value without quotes ends at the first ">", quotes and all.
  EXPECT_LABELS("b.html", "<a x=b=\"1>2<!--3\">注\n", {{"注", "comment"}});
  EXPECT_LABELS("c.html", "<a x=b=\"1>2<!--3\">\n<p>跨</p>\n", {{"跨", "comment"}});
  EXPECT_LABELS("strings.xml",
                "<?xml version=\"1.0\"?>\n<!-- 注 -->\n<resources>\n  <string name=\"app\">应用</string>\n"
                "  <item><![CDATA[<b>数据</b>]]></item>\n</resources>\n",
                {{"注", "comment"}, {"应用", "text"}, {"数据", "text"}});
}

TEST(ContextTest, SingleFileComponentsAndPhp) {
  EXPECT_LABELS("a.vue",
                "<template>\n  <div :title=\"'绑定'\" @click=\"say('事件')\" label=\"静态\">\n"
                "    {{ $t('模板') }} 文本\n  </div>\n</template>\n"
                "<script setup lang=\"ts\">\nconst m: string = '脚本' // 脚注\nconsole.warn(`警`)\n</script>\n"
                "<style lang=scss>\n// 样注\n.a { content: \"样\"; }\n</style>\n"
                "<i18n>\n{ \"zh\": { \"hello\": \"你好\" } }\n</i18n>\n",
                {{"绑定", "string"}, {"事件", "string"}, {"静态", "attribute"}, {"模板", "string,i18n"},
                 {"文本", "text"}, {"脚本", "string"}, {"脚注", "comment"}, {"警", "string,log"}, {"样注", "comment"},
                 {"样", "string"}, {"你好", "string,locale"}});
  EXPECT_LABELS("A.svelte",
                "<script>\n  let name = '名';\n</script>\n<h1 title=\"题 {name} 尾\">你好 {name + '！'}</h1>\n"
                "<Comp label={'表达'} />\n{#if ok}<p>是</p>{:else}否{/if} 后\n"
                "<a title=\"{ \">\" }\" alt='x>替'>\n",
                {{"名", "string"}, {"题", "attribute"}, {"尾", "attribute"}, {"你好", "text"}, {"！", "string"},
                 {"表达", "string"}, {"是", "text"}, {"否", "text"}, {"后", "text"}, {"替", "attribute"}});
  // PHP stops at ?> and goes on at the next <?php with its braces still open.
  EXPECT_LABELS("a.php",
                "<?php\n// 注\necho \"双 {$b['键']} 后\"; # 井注\n$h = <<<EOT\n  文档 $x\n  EOT;\n?>\n"
                "<div title=\"<?= __('译') ?>\">页面 <?php if ($x) { ?><b>粗</b><?php } ?></div>\n"
                "<script>var j = \"<?php echo '嵌'; ?>脚\";</script>\n"
                "<a title=\"<?php echo 1; ?>\" alt='<!--'>链</a> and a line long enough for a block of 64\n",
                {{"注", "comment"}, {"双", "string"}, {"键", "string"}, {"后", "string"}, {"井注", "comment"},
                 {"文档", "string"}, {"译", "string,i18n"}, {"页面", "text"}, {"粗", "text"}, {"嵌", "string"},
                 {"脚", "string"}, {"链", "text"}});
}

TEST(ContextTest, MarkdownCataloguesPropertiesAndYaml) {
  EXPECT_LABELS("README.md",
                "# 标题\n\n正文 `代码` 再 ``含`引号`` 尾\n<!-- 注 -->\n\n```js\nconst a = '围栏';\n```  \n\n后文\n\n    缩进\n\n"
                "- 列表\n    续列表\n",
                {{"标题", "text"}, {"正文", "text"}, {"代码", "code"}, {"再", "text"}, {"含", "code"}, {"尾", "text"},
                 {"注", "comment"}, {"围栏", "code"}, {"后文", "text"}, {"缩进", "code"}, {"列表", "text"}, {"续列表", "text"}});
  EXPECT_LABELS("messages.po", "# 译注\nmsgid \"原文\"\nmsgstr \"\"\n\"译文\"\n",
                {{"译注", "comment"}, {"原文", "string"}, {"译文", "string,locale"}});
  EXPECT_LABELS("a.properties", "# 注\n! 叹注\ngreeting=你好 \\\n    续值\n键 : 值\n",
                {{"注", "comment"}, {"叹注", "comment"}, {"你好", "string"}, {"续值", "string"}, {"键", "code"},
                 {"值", "string"}});
  EXPECT_LABELS("a.yml",
                "# 注\ntitle: 标题 # 尾注\ndesc: \"引 # 非注\"\nlist:\n  - 列项\n  - name: '单''引'\n"
                "body: |\n  块文\n  # 块里\nother: 值\n键: 值二\n",
                {{"注", "comment"}, {"标题", "string"}, {"尾注", "comment"}, {"引", "string"}, {"非注", "string"},
                 {"列项", "string"}, {"单", "string"}, {"块文", "string"}, {"块里", "string"}, {"值", "string"},
                 {"键", "code"}, {"值二", "string"}});
}

TEST(ContextTest, PathsGiveTestAndLocaleAndUnknownKindsAreText) {
  const std::string text = "x = '中文' # 注\n";
  EXPECT_EQ(Labelled("src/a.PY", text, {"中文", "注"}), "中文=string\n注=comment\n");
  EXPECT_EQ(Labelled("proj/tests/a.py", text, {"中文"}), "中文=string,test\n");
  EXPECT_EQ(Labelled("web/a.spec.py", text, {"中文"}), "中文=string,test\n");
  EXPECT_EQ(Labelled("go/a_test.py", text, {"中文"}), "中文=string,test\n");
  EXPECT_EQ(Labelled("contest/latest.py", text, {"中文"}), "中文=string\n");
  EXPECT_EQ(Labelled("src/locales/a.py", text, {"中文"}), "中文=string,locale\n");
  EXPECT_EQ(Labelled("res/values-zh-rCN/a.py", text, {"中文"}), "中文=string,locale\n");
  EXPECT_EQ(Labelled("i18n/zh-CN.json", "{\"a\": \"中文\"}", {"中文"}), "中文=string,locale\n");
  EXPECT_EQ(Labelled("conf/Messages_zh_TW.properties", "a=中文", {"中文"}), "中文=string,locale\n");
  EXPECT_EQ(Labelled("conf/zhong.py", text, {"中文"}), "中文=string\n");
  // A .ts file in XML is Qt Linguist's, not TypeScript.
  EXPECT_EQ(Labelled("tr/app_zh_CN.ts", "<?xml version=\"1.0\"?>\n<TS><source>中文</source></TS>\n", {"中文"}),
            "中文=text,locale\n");
  EXPECT_EQ(Labelled("notes.txt", text, {"中文", "注"}), "中文=text\n注=text\n");
  EXPECT_EQ(Labelled("Makefile", text, {"中文"}), "中文=text\n");
}

TEST(ContextTest, CallNamesAddToTheBuiltInOnes) {
  const std::string text = "<?php report.send(\"甲\"); $i18n->trans(\"乙\"); out.emit(\"丙\"); Fmt::sprintf(\"丁\");\n";
  EXPECT_EQ(Labelled("a.php", text, {"甲", "乙", "丙", "丁"}), "甲=string\n乙=string,i18n\n丙=string\n丁=string\n");
  context::CallNames extra;
  extra.log = {"report.*", "Fmt::sprint*"};
  extra.i18n = {"emit"};
  EXPECT_EQ(Labelled("a.php", text, {"甲", "乙", "丙", "丁"}, extra),
            "甲=string,log\n乙=string,i18n\n丙=string,i18n\n丁=string,log\n");
  context::Label label;
  EXPECT_TRUE(context::ParseLabel("i18n", label));
  EXPECT_EQ(label, context::Label::I18n);
  EXPECT_FALSE(context::ParseLabel("Comment", label));
}

// Line ends, columns and positions past the text; no state passes from one
// file to the next through the classifier.
TEST(ContextTest, LinesColumnsAndTheTextsEnd) {
  const Classifier classifier;
  std::vector<Labels> labels;
  // CR LF; "é" and an invalid byte are one column each before the finding.
  const std::string text = "/* a\r\n*/ x = \"é\xff 中\"; /* 开\r\n";
  const std::vector<Position> places = {{2, 12}, {2, 19}, {9, 1}};
  classifier.Classify("a.c", text, places, labels);
  ASSERT_EQ(labels.size(), 3u);
  EXPECT_EQ(Names(labels[0]), "string");
  EXPECT_EQ(Names(labels[1]), "comment");
  EXPECT_EQ(Names(labels[2]), "comment");  // the comment left open runs to the end
  classifier.Classify("b.c", "中", std::vector<Position>{{1, 1}}, labels);
  EXPECT_EQ(Names(labels[0]), "code");
}

TEST(ContextTest, EscapesDecodeToTheCharactersTheyStandFor) {
  auto han = [](char32_t c) { return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x20000 && c <= 0x2FFFF); };
  std::vector<context::EscapedRun> runs;
  auto found = [&](std::string_view line) {
    context::FindEscapes(line, han, runs);
    std::string out;
    for (const auto& run : runs)
      out += std::to_string(run.column) + "+" + std::to_string(run.span) + ":" + run.text + " ";
    return out;
  };
  EXPECT_EQ(found("a \"\\u4e2d\\u6587\" b"), "4+12:中文 ");
  EXPECT_EQ(found("\\uD840\\uDC00 \\u{20001}\\U00004E2D"), "1+12:𠀀 14+19:𠀁中 ");
  EXPECT_EQ(found("é\\x{4E2D} \"\\xe4\\xb8\\xad\\xe6\\x96\\x87\" \\xe4\\x41"), "2+8:中 12+24:中文 ");
  EXPECT_EQ(found("&#20013;&#x6587;&#X4e2d &#1234567890123; &#65;"), "1+23:中文中 ");
  EXPECT_EQ(found("content: \"\\4E2D \\6587\"; \\41 \\20000"), "11+11:中文 29+6:𠀀 ");
  EXPECT_EQ(found("/s?q=%E4%B8%AD%E6%96%87&x=%41%e4%b8"), "6+18:中文 ");
  // Not escapes: an escaped backslash, a lone surrogate, a letter.
  EXPECT_EQ(found("\"\\\\u4e2d\" \\uD840x \\u0041"), "");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Excerpts of real files from Debian and npm packages (data/context/SOURCES.md)
// keep the labels that were checked by hand.
TEST(ContextTest, RealFilesKeepTheirCheckedLabels) {
  const Classifier classifier;
  for (const char* name : {"lunar.js", "datetime.vue", "README.md", "pinyin.go", "tabsqlitedb.py", "table.py",
                           "base.lua", "luna_pinyin.schema.yaml", "key_event.h", "preface.html"}) {
    const std::string text = ReadFile(std::string(CONTEXT_DATA) + "/" + name);
    std::istringstream listed(ReadFile(std::string(CONTEXT_DATA) + "/" + name + ".labels"));
    std::vector<Position> places;
    std::vector<std::string> expected, words;
    for (std::string entry; std::getline(listed, entry);) {
      Position place;
      char colon;
      std::istringstream fields(entry);
      fields >> place.line >> colon >> place.column >> colon;
      std::string rest;
      std::getline(fields, rest);
      places.push_back(place);
      expected.push_back(entry);
      words.push_back(rest.substr(rest.find(':') + 1));
    }
    ASSERT_FALSE(places.empty()) << name;
    std::vector<Labels> labels;
    classifier.Classify(name, text, places, labels);
    // The text at each place as well, so that a fixture cannot drift from its file.
    const std::vector<Position> found = Places(text, words);
    ASSERT_EQ(found.size(), places.size()) << name;
    for (std::size_t k = 0; k < places.size(); ++k) {
      EXPECT_TRUE(found[k].line == places[k].line && found[k].column == places[k].column) << name << " " << expected[k];
      EXPECT_EQ(std::to_string(places[k].line) + ":" + std::to_string(places[k].column) + ":" + Names(labels[k]) +
                    ":" + words[k],
                expected[k])
          << name;
    }
  }
}

// Every lexer over arbitrary bytes: no crash, a label for every position.
TEST(ContextTest, ArbitraryBytesGetLabels) {
  const char* paths[] = {"a.c", "a.cpp", "a.rs", "a.go", "a.cs", "a.kt", "a.swift", "a.dart", "a.js", "a.tsx",
                         "a.py", "a.sh", "a.rb", "a.sql", "a.lua", "a.scss", "a.json", "a.html", "a.vue",
                         "a.svelte", "a.php", "a.xml", "a.md", "a.po", "a.properties", "a.yaml", "a.toml"};
  const std::string alphabet = "\"'`/\\*#<>?{}()[]$!-=:;@rR|&%\n\t 中é\xff<?php?>";
  std::mt19937 random(28);
  const Classifier classifier;
  std::vector<Labels> labels;
  for (const char* path : paths) {
    for (int round = 0; round < 40; ++round) {
      std::string text;
      for (int k = 0; k < 300; ++k) text += alphabet[random() % alphabet.size()];
      std::vector<Position> places;
      for (std::int64_t line = 1; line <= 40; line += 3) places.push_back({line, 1 + line % 7});
      classifier.Classify(path, text, places, labels);
      ASSERT_EQ(labels.size(), places.size()) << path;
      for (Labels label : labels) EXPECT_NE(label, 0) << path;
    }
  }
}

// Lines without a finding go to the lexers many at once; the labels after
// them must be those of reading each line on its own.
TEST(ContextTest, LinesPassedInBulkLeaveTheLexersWhereEachLineWould) {
  const Classifier classifier;
  const auto eachLine = [&classifier](std::string_view path, std::string_view text,
                                      const std::vector<Position>& places) {
    context::FileContext file(classifier, path);
    std::vector<Labels> labels;
    std::vector<std::int64_t> columns;
    std::size_t next = 0, start = 0;
    for (std::int64_t lineNumber = 1; next < places.size(); ++lineNumber) {
      const bool past = start > text.size();
      std::string_view line;
      if (!past) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        line = text.substr(start, end - start);
        if (end < text.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        start = end + 1;
      }
      columns.clear();
      for (; next < places.size() && (past || places[next].line <= lineNumber); ++next)
        columns.push_back(places[next].column);
      file.Line(line, columns, labels);
    }
    return labels;
  };
  std::mt19937 random(30);
  // A few places at random, far apart, so that most lines are passed over.
  const auto somePlaces = [&random](std::int64_t lines) {
    std::vector<Position> places;
    for (std::int64_t line = 1 + static_cast<std::int64_t>(random() % 9); line <= lines + 2;
         line += 1 + static_cast<std::int64_t>(random() % 12))
      places.push_back({line, 1 + static_cast<std::int64_t>(random() % 30)});
    return places;
  };
  std::vector<Labels> labels;
  for (const char* name : {"lunar.js", "datetime.vue", "README.md", "pinyin.go", "table.py", "preface.html"}) {
    const std::string text = ReadFile(std::string(CONTEXT_DATA) + "/" + name);
    const auto lines = static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
    for (int round = 0; round < 20; ++round) {
      const std::vector<Position> places = somePlaces(lines);
      classifier.Classify(name, text, places, labels);
      EXPECT_EQ(labels, eachLine(name, text, places)) << name;
    }
  }
  // Markup whose states cross lines: tags, values, comments, blocks of
  // script and style that end on their line, later, or never.
  const char* pieces[] = {"<p>", "</p>", "<a href=\"", "\">", "<a href=x", ">", "<script>", "</script>",
                          "<style>", "</style>", "<i18n>", "</i18n>", "<!--", "-->", "<![CDATA[", "]]>",
                          "{{", "}}", "{", "}", "\"", "'", "`", "//", "/*", "*/", "=", "<", "<?php", "?>",
                          "\n", "\n", "\r\n", "\n", " ", "中文", "x", "<b title='", "<Script type=\"module\">", "<a x=y=\""};
  for (const char* path : {"a.html", "a.vue", "a.svelte", "a.xml", "a.svg", "a.php", "a.js", "a.md"}) {
    for (int round = 0; round < 150; ++round) {
      std::string text;
      for (int k = 0; k < 120; ++k) text += pieces[random() % std::size(pieces)];
      const std::vector<Position> places =
          somePlaces(static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n')));
      classifier.Classify(path, text, places, labels);
      ASSERT_EQ(labels, eachLine(path, text, places)) << path << "\n" << text;
      // Asked at every character, each tag is read in its own state rather
      // than passed over: the labels of the places asked alone are the same.
      std::vector<Position> every;
      std::int64_t line = 1, column = 1;
      for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '\n') {
          ++line, column = 1;
        } else if ((text[k] & 0xC0) != 0x80 && !(text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n')) {
          every.push_back({line, column++});
        }
      }
      std::vector<Labels> all;
      classifier.Classify(path, text, every, all);
      for (std::size_t k = 0; k < places.size(); ++k) {
        const auto at = std::find_if(every.begin(), every.end(), [&](const Position& p) {
          return p.line == places[k].line && p.column == places[k].column;
        });
        if (at != every.end()) {
          ASSERT_EQ(labels[k], all[at - every.begin()]) << path << " " << k << "\n" << text;
        }
      }
    }
  }
}
