{ Looks words up in a help file's full-text index with Free Pascal's own chm units (the family
  chmcmd belongs to), as an independent check of the index Corvane writes.
  Usage: fts_lookup FILE.chm HEXWORD...   Each word is given as the hexadecimal digits of its
  bytes (the arguments of a process are UTF-8 here, the words Shift_JIS).
  Prints "<n> body|title <page>" per hit. }
program fts_lookup;
{$mode objfpc}{$H+}
uses Classes, SysUtils, chmreader, chmfiftimain;
function FromHex(const S: String): String;
var
  K: Integer;
begin
  Result := '';
  for K := 0 to Length(S) div 2 - 1 do
    Result := Result + Chr(StrToInt('$' + Copy(S, 2 * K + 1, 2)));
end;

var
  Reader: TChmReader;
  Index: TMemoryStream;
  Search: TChmSearchReader;
  Hits, TitleHits: TChmWLCTopicArray;
  I, A: Integer;
  Title, Url: String;
begin
  Reader := TChmReader.Create(TFileStream.Create(ParamStr(1), fmOpenRead or fmShareDenyWrite), True);
  Index := Reader.GetObject('/$FIftiMain');
  if Index = nil then begin WriteLn('no index'); Halt(2); end;
  Search := TChmSearchReader.Create(Index, True);
  if not Search.FileIsValid then begin WriteLn('invalid index'); Halt(2); end;
  for A := 2 to ParamCount do
  begin
    SetLength(TitleHits, 0);
    Hits := Search.LookupWord(FromHex(ParamStr(A)), TitleHits, False);
    for I := 0 to High(Hits) do
    begin
      Url := Reader.LookupTopicByID(Hits[I].TopicIndex, Title);
      WriteLn(A - 1, ' body ', Url);
    end;
    for I := 0 to High(TitleHits) do
    begin
      Url := Reader.LookupTopicByID(TitleHits[I].TopicIndex, Title);
      WriteLn(A - 1, ' title ', Url);
    end;
  end;
  Search.Free;
  Reader.Free;
end.
