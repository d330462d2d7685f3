<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Fatal Error</name>
    <message>
        <source>Errors in command line</source>
        <translation>common</translation>
    </message>
</context>
<context>
    <name>CAB</name>
    <message>
        <source>Unknown option,</source>
        <translation>common,</translation>
    </message>
</context>
</TS>
