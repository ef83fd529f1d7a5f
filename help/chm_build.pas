{ Compiles the help project into Tarvex.chm, as chmcmd does, with one
  difference: the context map names its topics by their path inside the help
  file ("html/find_button.htm").

  chmcmd 3.2.2 writes each context target as the project's folder on the
  build machine followed by the topic's path. HTML Help looks such a name up
  inside the .chm, finds nothing there, and F1 opens no topic. The project
  class of Free Pascal's chm package is reused for everything else; only the
  step that hands the files and the context map to the writer is our own.

  Usage: chm_build <project.hhp>   (the .chm goes where the project says) }
program chm_build;

{$mode objfpc}{$H+}

uses
  {$ifdef unix}cthreads, cwstring,{$endif} Classes, SysUtils, chmfilewriter, chmwriter, chmsitemap;

type
  TTarvexHelpProject = class(TChmProject)
  public
    procedure WriteChm(AOutStream: TStream); override;
  end;

procedure TTarvexHelpProject.WriteChm(AOutStream: TStream);
var
  Writer: TChmWriter;
  Contents: TChmSiteMap;
  Node: TChmContextNode;
  I: Integer;
begin
  LoadSitemaps;
  if ScanHtmlContents then
    ScanHtml;

  // The writer reads the topics' titles from the contents; the project keeps
  // its own copy to itself, so the contents are read once more here.
  Contents := nil;
  if (TableOfContentsFileName <> '') and FileExists(ProjectDir + TableOfContentsFileName) then
  begin
    Contents := TChmSiteMap.Create(stTOC);
    Contents.LoadFromFile(ProjectDir + TableOfContentsFileName);
  end;

  Writer := TChmWriter.Create(AOutStream, False);
  try
    Writer.OnGetFileData := @GetData;
    Writer.OnLastFile := @LastFileAdded;
    Writer.FilesToCompress.AddStrings(Files);
    Writer.FilesToCompress.AddStrings(OtherFiles);
    Writer.DefaultPage := DefaultPage;
    Writer.Title := Title;
    Writer.DefaultFont := DefaultFont;
    Writer.FullTextSearch := MakeSearchable;
    Writer.HasBinaryTOC := MakeBinaryTOC;
    Writer.HasBinaryIndex := MakeBinaryIndex;
    Writer.IndexName := IndexFileName;
    Writer.TocName := TableOfContentsFileName;
    Writer.ReadmeMessage := ReadmeMessage;
    Writer.DefaultWindow := DefaultWindow;
    Writer.LocaleID := LocaleID;
    for I := 0 to Files.Count - 1 do
    begin
      if not FileExists(ProjectDir + Files[I]) then
        raise Exception.Create('the project lists ' + Files[I] + ', which does not exist');
      Node := TChmContextNode(Files.Objects[I]);
      if Assigned(Node) and (Node.ContextNumber <> 0) then
        Writer.AddContext(Node.ContextNumber, Files[I]);
    end;
    if Windows.Count > 0 then
      Writer.Windows := Windows;
    if MergeFiles.Count > 0 then
      Writer.MergeFiles := MergeFiles;
    if Assigned(Contents) then
      Writer.TocSitemap := Contents;
    Writer.Execute;
  finally
    Writer.Free;
    Contents.Free;
  end;
end;

procedure ReportError(Project: TChmProject; Kind: TChmProjectErrorKind; Msg: string; DetailLevel: Integer);
begin
  if Kind in [chmerror, chmwarning] then
    WriteLn(StdErr, ChmErrorKindText[Kind], ': ', Msg);
end;

var
  Project: TTarvexHelpProject;
  Output: TFileStream;
begin
  if ParamCount <> 1 then
  begin
    WriteLn(StdErr, 'usage: chm_build <project.hhp>');
    Halt(2);
  end;
  Project := TTarvexHelpProject.Create;
  try
    try
      Project.OnError := @ReportError;
      Project.ReadmeMessage := 'Tarvex help';
      Project.LoadFromHHP(ParamStr(1), False);
      Project.ScanHtmlContents := True;
      Output := TFileStream.Create(Project.ProjectDir + Project.OutputFileName, fmCreate);
      try
        Project.WriteChm(Output);
      finally
        Output.Free;
      end;
    except
      on E: Exception do
      begin
        WriteLn(StdErr, 'chm_build: ', E.Message);
        Halt(1);
      end;
    end;
  finally
    Project.Free;
  end;
end.
