#include "xbase/expr/expression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "xbase/expr/expression_node.h"

namespace xbase {
namespace {

// NAME C30, INFO M10, LASTDATE D8, AMOUNT N8.2, FLAG L1, COUNT I4, CITY C10
const RecordLayout& layout() {
  static const RecordLayout l = RecordLayout::fromFields({
      {"NAME", 'C', 30, 0},
      {"INFO", 'M', 10, 0},
      {"LASTDATE", 'D', 8, 0},
      {"AMOUNT", 'N', 8, 2},
      {"FLAG", 'L', 1, 0},
      {"COUNT", 'I', 4, 0},
      {"City", 'C', 10, 0},
  });
  return l;
}

struct Row {
  std::string name;
  std::string date = "20260315";
  std::string amount = "   12.50";
  char flag = 'T';
  std::int32_t count = -7;
  std::string city = "Berlin";
  bool deleted = false;
};

std::string pad(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

std::string record(const Row& r) {
  std::string rec(1, r.deleted ? '*' : ' ');
  rec += pad(r.name, 30);
  rec += "         1";
  rec += pad(r.date, 8);
  rec += pad(r.amount, 8);
  rec += r.flag;
  char bytes[4];
  const auto u = static_cast<std::uint32_t>(r.count);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  rec.append(bytes, 4);
  rec += pad(r.city, 10);
  EXPECT_EQ(rec.size(), static_cast<std::size_t>(layout().recordLength()));
  return rec;
}

bool matches(std::string_view expr, const Row& row, bool exact = false) {
  return Expression::parse(expr, layout()).matches(record(row), EvalOptions{exact});
}

struct FilterCase {
  const char* expression;
  const char* name;
  bool exactOff;
  bool exactOn;
};

const FilterCase kFilterCases[] = {
    // The search filter: a literal occurring in the upper-cased name.
    FilterCase{"\"SMI\"$upper(Name)", "Smith", true, true}, FilterCase{"\"SMI\"$upper(Name)", "Osmium Ltd", true, true},
    FilterCase{"\"SMI\"$upper(Name)", "Jones", false, false},
    FilterCase{"\"SMI\"$Name", "Smith", false, false},  // case matters without upper()
    FilterCase{"\"\"$Name", "Smith", false, false},     // an empty needle occurs nowhere
    FilterCase{"'Sm'$NAME", "Smith", true, true}, FilterCase{"[Sm]$name", "Smith", true, true},
    // Prefix rule of "=": the right side's length decides with exact off.
    FilterCase{"Name=\"Baker\"", "Baker", true, true}, FilterCase{"Name=\"Baker\"", "Bakers", true, false},
    FilterCase{"Name=\"Bake\"", "Baker", true, false},
    FilterCase{"Name=\"Baker \"", "Baker", true, true},  // trailing blanks aside
    FilterCase{"Name=\"\"", "Baker", true, false},
    FilterCase{"Name=\"baker\"", "Baker", false, false},  // compares bytes: case counts
    FilterCase{"\"Bak\"=\"Baker\"", "x", false, false},   // shorter left is blank-padded
    FilterCase{"Name==\"Bake\"", "Baker", false, false},  // == ignores the exact setting
    FilterCase{"Name==\"Baker\"", "Baker", true, true}, FilterCase{"Name<>\"Bake\"", "Baker", false, true},
    FilterCase{"Name#\"Bake\"", "Baker", false, true}, FilterCase{"Name!=\"Bake\"", "Baker", false, true},
    // The report's range: inclusive at both ends, by the whole name.
    FilterCase{"upper(Name) >= \"ADAMS\" AND upper(Name) <= \"WALKER\"", "Adams", true, true},
    FilterCase{"upper(Name) >= \"ADAMS\" AND upper(Name) <= \"WALKER\"", "walker", true, true},
    FilterCase{"upper(Name) >= \"ADAMS\" AND upper(Name) <= \"WALKER\"", "Walkers", false, false},
    FilterCase{"upper(Name) >= \"ADAMS\" AND upper(Name) <= \"WALKER\"", "Adam", false, false},
    FilterCase{"upper(Name) >= \"ADAMS\" AND upper(Name) <= \"WALKER\"", "Miller", true, true},
    FilterCase{"upper(Name) >= \"ADAMS\" AND upper(Name) <= \"WALKER\"", " Miller", false, false},
    // The report's selection: terms joined by OR.
    FilterCase{"Name=\"Baker\" OR Name=\"Cole\" OR Name=\"Dunn\"", "Cole", true, true},
    FilterCase{"Name=\"Baker\" OR Name=\"Cole\" OR Name=\"Dunn\"", "baker", false, false},
    FilterCase{"Name=\"Baker\" OR Name=\"Cole\" OR Name=\"Dunn\"", "Coleman", true, false},
    // Logic with and without dots, precedence and parentheses.
    FilterCase{"Name=\"A\" .OR. Name=\"B\" .AND. .F.", "Abe", true, false},
    FilterCase{"(Name=\"A\" .OR. Name=\"B\") .AND. .F.", "Abe", false, false},
    FilterCase{"NOT Name=\"A\"", "Abe", false, true}, FilterCase{".not. Name=\"A\"", "Abe", false, true},
    FilterCase{"!Name=\"A\" or .T.", "Abe", true, true}, FilterCase{"not not .t.", "x", true, true},
    // Quotes inside other quotes.
    FilterCase{"'O\"Neil'$Name", "Al O\"Neil", true, true}, FilterCase{"\"O'Neil\"=Name", "O'Neil", true, true},
    FilterCase{"[\"Q\"]$Name", "say \"Q\"", true, true}, FilterCase{"[it's]$Name", "it's", true, true},
    // Other field types.
    FilterCase{"LastDate >= \"20260101\" and LASTDATE < \"20260401\"", "x", true, true},
    FilterCase{"DTOS(LastDate) = \"202603\"", "x", true, false},
    FilterCase{"Amount > 12 AND Amount < 12.6 AND Amount = 12.5", "x", true, true},
    FilterCase{"Count = -7 AND Count + 7 = 0 AND -Count - 1 = 6", "x", true, true},
    FilterCase{"Flag AND Flag = .T. AND NOT Flag <> .T.", "x", true, true},
    FilterCase{"city = \"Berlin\"", "x", true, true}, FilterCase{"DELETED()", "x", false, false},
    // Functions.
    FilterCase{"trim(Name) + \"!\" == \"Ann!\"", "Ann", true, true},
    FilterCase{"alltrim(Name) == \"Ann\" and ltrim(Name) = \"Ann\"", "  Ann", true, true},
    FilterCase{"left(Name, 3) == \"Ann\" and right(trim(Name), 2) == \"ie\"", "Annie", true, true},
    FilterCase{"substr(Name, 2, 3) == \"nni\" and substr(Name, 40) == \"\"", "Annie", true, true},
    FilterCase{"lower(Name) == \"annie\" and upper(lower(Name)) == \"ANNIE\"", "AnNie", true, true},
    FilterCase{"upper(\"ab\" + \"cd\") == \"ABCD\"", "x", true, true}};

TEST(Expression, FiltersUnderBothExactSettings) {
  for (const FilterCase& c : kFilterCases) {
    Row row{c.name};
    EXPECT_EQ(matches(c.expression, row, false), c.exactOff) << c.expression << " on " << c.name << ", exact off";
    EXPECT_EQ(matches(c.expression, row, true), c.exactOn) << c.expression << " on " << c.name << ", exact on";
  }
}

TEST(Expression, UpperChangesOnlyAsciiLetters) {
  std::string name;
  for (int b = 0x80; b <= 0xFF; ++b) name.push_back(static_cast<char>(b));
  const std::string raw = "az\xE4\xF6\xFC{}`@[" + name.substr(0, 20);
  Row row{raw};
  const Expression upper = Expression::parse("upper(Name)", layout());
  const Expression lower = Expression::parse("LOWER(name)", layout());
  const std::string expectedUpper = "AZ\xE4\xF6\xFC{}`@[" + name.substr(0, 20);
  EXPECT_EQ(upper.evaluate(record(row)).text, expectedUpper);
  EXPECT_EQ(lower.evaluate(record(Row{"AZ\xC4\xD6\xDC"})).text, pad("az\xC4\xD6\xDC", 30));

  // Every high byte passes unchanged, whatever the code page.
  for (std::size_t at = 0; at < name.size(); at += 30) {
    const std::string chunk = name.substr(at, 30);
    EXPECT_EQ(upper.evaluate(record(Row{chunk})).text, pad(chunk, 30));
  }
}

TEST(Expression, KeysHaveTheTagWidthAndSortLikeTheValues) {
  const Expression name = Expression::parse("upper(Name)", layout());
  EXPECT_EQ(name.width(), 30);
  EXPECT_EQ(name.key(record(Row{"Smith"})), pad("SMITH", 30));
  EXPECT_EQ(name.keyFromText("SMI"), pad("SMI", 30));
  EXPECT_EQ(Expression::parse("left(Name,4)+City", layout()).width(), 14);
  EXPECT_EQ(Expression::parse("left(Name,4)+City", layout()).key(record(Row{"Smithers"})), "SmitBerlin    ");

  const Expression amount = Expression::parse("Amount", layout());
  const Expression date = Expression::parse("LastDate", layout());
  EXPECT_EQ(amount.width(), 8);
  EXPECT_EQ(date.width(), 8);
  const char* amounts[] = {"-1000.00", "   -2.50", "   -0.01", "    0.00", "    0.01", "    2.50", "99999.99"};
  for (std::size_t i = 1; i < std::size(amounts); ++i) {
    Row lower, higher;
    lower.amount = amounts[i - 1];
    higher.amount = amounts[i];
    EXPECT_LT(amount.key(record(lower)), amount.key(record(higher))) << amounts[i - 1] << " < " << amounts[i];
  }
  const char* dates[] = {"        ", "18991231", "19700101", "20251231", "20260101", "20260102"};
  for (std::size_t i = 1; i < std::size(dates); ++i) {
    Row lower, higher;
    lower.date = dates[i - 1];
    higher.date = dates[i];
    EXPECT_LT(date.key(record(lower)), date.key(record(higher))) << dates[i - 1] << " < " << dates[i];
  }
  EXPECT_EQ(Expression::parse("Flag", layout()).key(record(Row{})), "T");
}

TEST(Expression, EvaluatesToTypedValues) {
  const std::string rec = record(Row{"Ann"});
  const Value name = Expression::parse("Name", layout()).evaluate(rec);
  EXPECT_EQ(name.type, ValueType::Character);
  EXPECT_EQ(name.text, pad("Ann", 30));  // the raw padded field
  const Value date = Expression::parse("LastDate", layout()).evaluate(rec);
  EXPECT_EQ(date.type, ValueType::Date);
  EXPECT_EQ(date.text, "20260315");
  const Value amount = Expression::parse("Amount + Count", layout()).evaluate(rec);
  EXPECT_EQ(amount.type, ValueType::Numeric);
  EXPECT_DOUBLE_EQ(amount.number, 5.5);
  const Value flag = Expression::parse(".F. OR Flag", layout()).evaluate(rec);
  EXPECT_EQ(flag.type, ValueType::Logical);
  EXPECT_TRUE(flag.logical);
}

struct Malformed {
  const char* expression;
  const char* message;  // the part after "at position "
};

const Malformed kMalformed[] = {
    Malformed{"upper(Name", "11: expected ',' or ')', found the end"},
    Malformed{"\"SMI$upper(Name)", "1: expected the closing \" of the string"},
    Malformed{"[abc", "1: expected the closing ] of the string"},
    Malformed{"Name = ", "8: expected a field, a function, a literal or '(', found the end"},
    Malformed{"Nme = \"x\"", "1: expected a field name, found unknown Nme"},
    Malformed{"upper(Name) >= \"A\" AND", "23: expected a field, a function, a literal or '(', found the end"},
    Malformed{"Name \"x\"", "6: expected an operator or the end of the expression, found a string"},
    Malformed{"Name = \"x\")", "11: expected an operator or the end of the expression, found ')'"},
    Malformed{"Name .XOR. Name", "6: expected .T., .F., .AND., .OR. or .NOT."},
    Malformed{"Name & \"x\"", "6: expected an operand or an operator, not '&'"},
    Malformed{"frob(Name)", "1: expected a function name, found unknown frob"},
    Malformed{"upper(Amount)", "1: expected UPPER to take (character)"},
    Malformed{"substr(Name)", "1: expected SUBSTR to take (character, numeric, optional numeric)"},
    Malformed{"Name = 3", "6: expected operands of the same type on both sides of the comparison"},
    Malformed{"Name AND .T.", "6: expected logical operands for AND"},
    Malformed{"3 $ Name", "3: expected character operands on both sides of $"},
    Malformed{"Info = \"x\"", "1: expected a character, date, numeric or logical field; INFO is of type M"},
    Malformed{"", "1: expected a field, a function, a literal or '(', found the end"},
    Malformed{"()", "2: expected a field, a function, a literal or '(', found ')'"}};

TEST(Expression, MalformedTextsNamePositionAndWhatWasExpected) {
  for (const Malformed& c : kMalformed) {
    try {
      Expression::parse(c.expression, layout());
      ADD_FAILURE() << c.expression << " was accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Expression);
      const std::string text = e.what();
      EXPECT_EQ(text.substr(text.find("at position ") + 12), c.message) << text;
      EXPECT_NE(text.find(std::string("\"") + c.expression + "\""), std::string::npos) << text;
    }
  }
}

TEST(Expression, HostileTextsAreRefusedNotOverflowed) {
  const auto refusal = [](const std::string& text) {
    try {
      Expression::parse(text, layout());
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Expression);
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_NE(refusal(std::string(5000, '(') + "Name").find("nested levels"), std::string::npos);
  EXPECT_NE(refusal(std::string(5000, '!') + ".T.").find("nested levels"), std::string::npos);
  EXPECT_NE(refusal(std::string(9000, ' ') + ".T.").find("at most 8192 bytes"), std::string::npos);
  std::string wide = "Name";
  for (int i = 0; i < 3000; ++i) wide += "+Name";
  EXPECT_NE(refusal(wide).find("at most 8192 bytes"), std::string::npos);
  wide.resize(8000);
  wide.resize(wide.rfind('+'));
  EXPECT_EQ(Expression::parse(wide, layout()).width(), 30 * 1600);  // the longest text allows

  // Ordinary depth is fine.
  const std::string deep = std::string(60, '(') + "Name = \"A\"" + std::string(60, ')');
  EXPECT_TRUE(Expression::parse(deep, layout()).matches(record(Row{"Abe"})));
}

TEST(Expression, MatchesNeedsALogicalExpression) {
  const Expression e = Expression::parse("upper(Name)", layout());
  EXPECT_THROW(e.matches(record(Row{"x"})), Error);
}

TEST(Expression, RefusesARecordShorterThanItReads) {
  const Expression e = Expression::parse("City = \"B\"", layout());
  const std::string rec = record(Row{"x"});
  EXPECT_TRUE(e.matches(rec));
  try {
    e.matches(std::string_view(rec).substr(0, rec.size() - 1));
    FAIL();
  } catch (const Error& err) {
    EXPECT_EQ(err.code(), ErrorCode::Argument);
  }
}

TEST(Expression, CopiesEvaluateIndependentlyOfTheOriginal) {
  std::optional<Expression> copy;
  {
    const Expression original = Expression::parse("\"SMI\"$upper(Name)", layout());
    copy = original;
  }
  EXPECT_TRUE(copy->matches(record(Row{"smith"})));
  EXPECT_EQ(copy->text(), "\"SMI\"$upper(Name)");
}

TEST(Expression, StringLiteralSpellsAnyTextWithAFreeDelimiter) {
  for (const std::string text : {"Smith", "O\"Neil", "O'Neil \"Bud\"", "a\"b'c[d", "[x\"'", ""}) {
    const std::optional<std::string> literal = stringLiteral(text);
    ASSERT_TRUE(literal) << text;
    const Expression e = Expression::parse(*literal + "$Name OR " + *literal + " == Name", layout());
    EXPECT_TRUE(e.matches(record(Row{"<" + text + ">"})) || text.empty()) << *literal;
    EXPECT_EQ(Expression::parse(*literal, layout()).evaluate(record(Row{})).text, text);
  }
  EXPECT_FALSE(stringLiteral("a\"b'c]d"));
}

// A filter "literal $ <expression>" is recognised only when it is that and
// nothing more, and its haystack is written like the tag's expression.
TEST(Expression, LiteralContainedInRecognisesOnlyTheWholeShape) {
  struct Case {
    const char* filter;
    const char* haystack;
    std::optional<std::string> needle;
  };
  const Case cases[] = {
      {"\"SMI\"$upper(Name)", "UPPER(NAME)", "SMI"},
      {"( 'O\"N' $ Upper ( name ) )", "upper(Name)", "O\"N"},
      {"\"S\"+\"MI \"$upper(Name)", "upper(Name)", "SMI "},
      {"[\xC4\xF6]$upper(Name)", "upper(Name)", "\xC4\xF6"},
      {"\"SMI\"$upper(Name)", "upper(City)", std::nullopt},
      {"\"SMI\"$upper(Name)", "upper(Name", std::nullopt},
      {"\"SMI\"$Name", "upper(Name)", std::nullopt},
      {"\"SMI\"$upper(Name)+City", "upper(Name)", std::nullopt},
      {"\"SMI\"$upper(Name) .AND. .T.", "upper(Name)", std::nullopt},
      {"!\"SMI\"$upper(Name)", "upper(Name)", std::nullopt},
      {"City$upper(Name)", "upper(Name)", std::nullopt},
      {"\"SMI\"=upper(Name)", "upper(Name)", std::nullopt},
  };
  for (const Case& c : cases) {
    const Expression filter = Expression::parse(c.filter, layout());  // the needle lives in it
    const std::optional<std::string_view> found = filter.literalContainedIn(c.haystack);
    EXPECT_EQ(found ? std::optional<std::string>(*found) : std::nullopt, c.needle) << c.filter << " in " << c.haystack;
  }
  EXPECT_TRUE(writtenAlike("upper(Name)", " UPPER( NAME )"));
  EXPECT_FALSE(writtenAlike("upper(Name)", "upper(City)"));
  EXPECT_FALSE(writtenAlike("upper(\"a", "upper(\"a"));  // malformed: alike with nothing
}

TEST(ExpressionStrings, BlankPaddedOrderIsUnsignedBytes) {
  using expr::compareBlankPadded;
  EXPECT_EQ(compareBlankPadded("abc", "abc   "), 0);
  EXPECT_GT(compareBlankPadded("ab", "ab\x01"), 0);  // "ab " > "ab\x01"
  EXPECT_GT(compareBlankPadded("\xE4", "z"), 0);     // 0xE4 after 'z'
  EXPECT_LT(compareBlankPadded("", "a"), 0);
}

}  // namespace
}  // namespace xbase
