-- pandoc filter for the guide's copies in the release archive.
-- The guide holds no HTML: what looks like a tag (<DPI> in a command line) is
-- text, and stays visible.
function RawInline(r)
  if r.format == "html" then
    return pandoc.Str(r.text)
  end
end

function RawBlock(r)
  if r.format == "html" then
    return pandoc.Para({pandoc.Str(r.text)})
  end
end

-- Columns a text takes in a fixed-width view: two for a wide (CJK) character.
local function width(s)
  local w = 0
  for _, c in utf8.codes(s) do
    local wide = (c >= 0x1100 and c <= 0x115F) or (c >= 0x2E80 and c <= 0xA4CF)
      or (c >= 0xAC00 and c <= 0xD7A3) or (c >= 0xF900 and c <= 0xFAFF)
      or (c >= 0xFE30 and c <= 0xFE4F) or (c >= 0xFF00 and c <= 0xFF60)
      or (c >= 0xFFE0 and c <= 0xFFE6)
    w = w + (wide and 2 or 1)
  end
  return w
end

-- In plain text a heading keeps its Markdown underline (= for the title, - for
-- sections), as wide as the heading.
function Header(h)
  if FORMAT ~= "plain" then
    return nil
  end
  local rule = string.rep(h.level == 1 and "=" or "-", width(pandoc.utils.stringify(h)))
  return pandoc.Plain(h.content .. {pandoc.LineBreak(), pandoc.Str(rule)})
end
