#pragma once
// Detailed data files built in code for tests: the production writer under the tests' names.
//
//   DataFileContent c;
//   c.modules[kAfter].path = "/src/a.c";
//   c.presence[kAfter] = 1;
//   writeDataFile(path, c);

#include "datafiles/data_file_writer.h"

namespace tavelin::testing {

using tavelin::DataFileContent;
using tavelin::encodeCounterSettingsBlock;
using tavelin::encodeDataFile;
using tavelin::encodeModuleDescriptor;
using tavelin::encodeStepCountRecord;
using tavelin::putFixedString;
using tavelin::putLe16;
using tavelin::putLe32;
using tavelin::putLe64;
using tavelin::writeDataFile;

}  // namespace tavelin::testing
